#pragma once
// Reading a Kepler file whole, without ever blocking on something that only looks like one.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace nimbrel::catalogue {

// Kepler files hold a few megabytes at most. Anything bigger is not one, and reading it whole could
// exhaust memory.
inline constexpr std::uintmax_t kMaxKeplerFileBytes = std::uintmax_t{256} * 1024 * 1024;

// A Kepler file that exists but cannot be read: no permission, a folder, a FIFO, device or socket, a
// file over kMaxKeplerFileBytes, an I/O error.
class ECatalogueFileError : public std::runtime_error {
 public:
  ECatalogueFileError(std::string path, std::string reason);
  const std::string& Path() const noexcept { return path_; }
  const std::string& Reason() const noexcept { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

// The whole content of the file at `path`, or std::nullopt when nothing of that name exists.
// Only regular files are read; symbolic links are followed. Throws ECatalogueFileError otherwise.
std::optional<std::string> ReadKeplerFile(const std::filesystem::path& path);

}  // namespace nimbrel::catalogue
