#include "KeplerFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace nimbrel::catalogue {

namespace {

std::string ErrnoText(int error) {
  return std::error_code(error, std::generic_category()).message();
}

[[noreturn]] void Fail(const std::filesystem::path& path, std::string reason) {
  throw ECatalogueFileError(path.string(), std::move(reason));
}

class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) noexcept : fd_(fd) {}
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  ~TFileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const noexcept { return fd_; }

 private:
  int fd_;
};

std::string TypeReason(std::filesystem::file_type type) {
  switch (type) {
    case std::filesystem::file_type::directory:
      return "is a folder";
    case std::filesystem::file_type::fifo:
      return "is a FIFO, not a regular file";
    case std::filesystem::file_type::socket:
      return "is a socket, not a regular file";
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character:
      return "is a device, not a regular file";
    default:
      return "is not a regular file";
  }
}

const char* const kTooBig = "is larger than 256 MiB";

}  // namespace

ECatalogueFileError::ECatalogueFileError(std::string path, std::string reason)
    : std::runtime_error("TSatelliteList::LoadFromFile: cannot read '" + path + "': " + reason),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

std::optional<std::string> ReadKeplerFile(const std::filesystem::path& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return std::nullopt;
  if (ec) Fail(path, ec.message());
  // Opening a FIFO without a writer would block for ever, and opening a device can have side effects,
  // so only regular files are opened at all.
  if (status.type() != std::filesystem::file_type::regular) Fail(path, TypeReason(status.type()));

  // O_NONBLOCK: should the name have been replaced by a FIFO since the test above, the open still
  // returns at once and the check on the open descriptor below turns it away.
  const TFileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (file.Get() < 0) Fail(path, ErrnoText(errno));
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) Fail(path, ErrnoText(errno));
  if (!S_ISREG(info.st_mode)) Fail(path, "is not a regular file");
  if (static_cast<std::uintmax_t>(info.st_size) > kMaxKeplerFileBytes) Fail(path, kTooBig);

  std::string text;
  text.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t count = ::read(file.Get(), buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      Fail(path, ErrnoText(errno));
    }
    if (count == 0) break;
    // The file may grow while it is read.
    if (text.size() + static_cast<std::size_t>(count) > kMaxKeplerFileBytes) Fail(path, kTooBig);
    text.append(buffer, static_cast<std::size_t>(count));
  }
  return text;
}

}  // namespace nimbrel::catalogue
