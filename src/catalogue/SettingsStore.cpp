#include "catalogue/SettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace nimbrel::catalogue {

namespace fs = std::filesystem;

namespace {

// Another writer holds a key's lock for a few milliseconds; a lock held far longer belongs to a
// process that hangs, and waiting for it forever would hang us too.
constexpr auto kLockWait = std::chrono::seconds(5);
constexpr auto kLockRetry = std::chrono::milliseconds(2);
constexpr int kTemporaryNameAttempts = 100;

class TFd {
 public:
  explicit TFd(int fd = -1) noexcept : fd_(fd) {}
  TFd(TFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  TFd& operator=(TFd&&) = delete;
  ~TFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const noexcept { return fd_; }
  // Closes now, reporting failure (a failed close can mean the data never reached the disk).
  bool Close() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

std::string ErrorText(int error) {
  return std::strerror(error);
}

// Built by appending: gcc 12 warns falsely (-Wrestrict) about "'" + text + "'".
std::string Quoted(const fs::path& p) {
  std::string out(1, '\'');
  out += p.string();
  out += '\'';
  return out;
}

fs::path EnvironmentFolder(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return {};
  fs::path p(value);
  return p.is_absolute() ? p : fs::path();  // relative entries are invalid and ignored
}

fs::path HomeFolder() {
  if (fs::path home = EnvironmentFolder("HOME"); !home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return fs::path(found->pw_dir);
  }
  return {};
}

fs::path KeyFile(const fs::path& root, std::string_view keyPath) {
  if (root.empty()) return {};
  if (!keyPath.empty() && keyPath.front() == '\\') keyPath.remove_prefix(1);
  std::vector<std::string_view> levels;
  while (true) {
    const std::size_t end = keyPath.find('\\');
    levels.push_back(keyPath.substr(0, end));
    if (end == std::string_view::npos) break;
    keyPath.remove_prefix(end + 1);
  }
  if (levels.size() < 2 || !EqualIgnoringAsciiCase(levels.front(), "Software")) return {};
  fs::path file = root;
  for (std::size_t i = 1; i < levels.size(); ++i) {
    const std::string_view level = levels[i];
    if (level.empty() || level == "." || level == ".." || level.find('/') != std::string_view::npos ||
        level.find('\0') != std::string_view::npos) {
      return {};
    }
    file /= i + 1 == levels.size() ? std::string(level) + ".conf" : std::string(level);
  }
  return file;
}

bool Accessible(const fs::path& p, int mode) {
  return ::faccessat(AT_FDCWD, p.c_str(), mode, AT_EACCESS) == 0;
}

// The whole file, or why it could not be read whole (`why` set, nothing returned): missing,
// unreadable, not a regular file or too large. A FIFO or device must not block or flood us, hence the
// non-blocking open and the size checks.
std::optional<std::string> ReadSmallRegularFile(const fs::path& file, std::string* why = nullptr) {
  const auto fail = [why](std::string reason) -> std::optional<std::string> {
    if (why != nullptr) *why = std::move(reason);
    return std::nullopt;
  };
  const std::string tooLarge = "it is larger than " + std::to_string(kMaxSettingsFileBytes) + " bytes";
  TFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.Get() < 0) return fail(ErrorText(errno));
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return fail(ErrorText(errno));
  if (!S_ISREG(st.st_mode)) return fail("it is not a regular file");
  if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > kMaxSettingsFileBytes) return fail(tooLarge);
  std::string bytes(static_cast<std::size_t>(st.st_size) + 1, '\0');
  std::size_t have = 0;
  while (have < bytes.size()) {  // bounded: every pass reads at least one byte or ends
    const ssize_t n = ::read(fd.Get(), bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(ErrorText(errno));
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
    if (have > kMaxSettingsFileBytes) return fail(tooLarge);  // grew while we read it
    if (have == bytes.size()) bytes.resize(std::min(bytes.size() * 2, kMaxSettingsFileBytes + 1));
  }
  bytes.resize(have);
  return bytes;
}

bool WriteAll(int fd, std::string_view bytes) noexcept {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Waits, with a bound, for the exclusive lock of a key. The lock is an flock on a companion file,
// which the kernel releases when its holder dies, so a crashed writer never leaves a stale lock.
bool LockExclusive(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + kLockWait;
  while (true) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kLockRetry);
  }
}

// A new file beside `target`, created exclusively; its mode follows the umask, as any new file's.
std::pair<TFd, fs::path> CreateTemporaryBeside(const fs::path& target) {
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    std::string name(1, '.');
    name += target.filename().string();
    name += '.';
    name += std::to_string(::getpid());
    name += '-';
    name += std::to_string(stamp);
    name += '-';
    name += std::to_string(attempt);
    name += ".tmp";
    fs::path candidate = target.parent_path() / name;
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd >= 0) return {TFd(fd), std::move(candidate)};
    if (errno != EEXIST) break;
  }
  return {TFd(), fs::path()};
}

void SyncFolder(const fs::path& folder) noexcept {
  TFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() >= 0) ::fsync(fd.Get());
}

TSaveResult Failed(std::string reason) {
  return TSaveResult{TSaveResult::TStatus::ssFailed, "TSettingsKey::Update: " + reason, reason};
}

}  // namespace

fs::path SettingsRootFolder(TSettingsRoot root) {
  if (root == TSettingsRoot::srCurrentUser) {
    if (fs::path p = EnvironmentFolder("XDG_CONFIG_HOME"); !p.empty()) return p;
    const fs::path home = HomeFolder();
    return home.empty() ? fs::path() : home / ".config";
  }
  if (const char* dirs = std::getenv("XDG_CONFIG_DIRS"); dirs != nullptr) {
    std::string_view list(dirs);
    while (!list.empty()) {
      const std::size_t end = list.find(':');
      const fs::path p(std::string(list.substr(0, end)));
      if (p.is_absolute()) return p;
      list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    }
  }
  return "/etc/xdg";
}

TSettingsKey::TSettingsKey(TSettingsRoot root, std::string_view keyPath)
    : root_(root), file_(KeyFile(SettingsRootFolder(root), keyPath)) {}

bool TSettingsKey::Exists() const {
  std::error_code ec;
  return Valid() && fs::exists(file_, ec);
}

bool TSettingsKey::FullAccess() const {
  return Valid() && Accessible(file_, R_OK) && Accessible(file_.parent_path(), W_OK | X_OK);
}

TSettingsValues TSettingsKey::Read() const {
  if (!Valid()) return {};
  const std::optional<std::string> bytes = ReadSmallRegularFile(file_);
  return bytes ? ParseSettings(*bytes) : TSettingsValues();
}

TSaveResult TSettingsKey::Update(const std::function<bool(TSettingsValues&)>& change) const {
  if (!Valid()) return Failed("the key names no settings file");
  std::error_code ec;
  const fs::path rootFolder = SettingsRootFolder(root_);
  if (root_ == TSettingsRoot::srCurrentUser && !fs::exists(rootFolder, ec)) {
    // A per-user configuration folder is private to its user when we are the ones to create it.
    if (fs::create_directories(rootFolder, ec)) ::chmod(rootFolder.c_str(), 0700);
  }
  fs::create_directories(file_.parent_path(), ec);
  if (ec) return Failed("cannot create " + Quoted(file_.parent_path()) + ": " + ec.message());

  // Saving through a link (a dotfile manager's, say) must replace the file it points to, not the link.
  fs::path target = file_;
  if (fs::is_symlink(file_, ec)) {
    target = fs::canonical(file_, ec);
    if (ec) return Failed(Quoted(file_) + " is a link to nowhere: " + ec.message());
  }

  TFd lock(::open((target.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
  if (lock.Get() < 0) return Failed("cannot lock " + Quoted(target) + ": " + ErrorText(errno));
  if (!LockExclusive(lock.Get()))
    return Failed("cannot lock " + Quoted(target) + ": another program holds it");

  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) return Failed(Quoted(target) + " is not a regular file");
  // Values we cannot see must not be overwritten by a file without them.
  if (exists && !Accessible(target, R_OK))
    return Failed("cannot read " + Quoted(target) + ": " + ErrorText(errno));
  // A file its owner made read-only is not replaced behind their back, whoever we are (renaming over
  // it needs only the folder's permission, and the superuser passes every access check).
  if (exists && ((existing.st_mode & 0222) == 0 || !Accessible(target, W_OK)))
    return Failed(Quoted(target) + " is read-only");

  TSettingsValues values;
  if (exists) {
    std::string why;
    const std::optional<std::string> bytes = ReadSmallRegularFile(target, &why);
    if (!bytes) return Failed("cannot read " + Quoted(target) + " whole: " + why);
    values = ParseSettings(*bytes);
  }
  if (!change(values)) return TSaveResult{TSaveResult::TStatus::ssAbandoned, {}, {}};
  const std::string text = FormatSettings(
      values, "Settings store: one value per line, \"name\"=int:NUMBER or \"name\"=text:\"TEXT\"");
  if (text.size() > kMaxSettingsFileBytes) {
    return Failed(Quoted(target) + " would grow beyond " + std::to_string(kMaxSettingsFileBytes) + " bytes");
  }

  auto [temporary, temporaryPath] = CreateTemporaryBeside(target);
  if (temporary.Get() < 0)
    return Failed("cannot create a file beside " + Quoted(target) + ": " + ErrorText(errno));
  if (exists) ::fchmod(temporary.Get(), existing.st_mode & 07777);  // keep the user's choice of access
  bool written = WriteAll(temporary.Get(), text) && ::fsync(temporary.Get()) == 0;
  int writeError = written ? 0 : errno;
  if (!temporary.Close() && written) {
    written = false;
    writeError = errno;
  }
  if (!written) {
    ::unlink(temporaryPath.c_str());
    return Failed("cannot write " + Quoted(temporaryPath) + ": " + ErrorText(writeError));
  }
  if (::rename(temporaryPath.c_str(), target.c_str()) != 0) {
    const int renameError = errno;
    ::unlink(temporaryPath.c_str());
    return Failed("cannot replace " + Quoted(target) + ": " + ErrorText(renameError));
  }
  SyncFolder(target.parent_path());
  return TSaveResult{TSaveResult::TStatus::ssSaved, {}, {}};
}

}  // namespace nimbrel::catalogue
