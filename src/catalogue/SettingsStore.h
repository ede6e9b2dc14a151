#pragma once
// The settings store: keys with named 32-bit integer and text values under two roots, one per user
// and one per machine. A key such as "\Software\Corvane\NimbrelGL" is the file
// <root>/Corvane/NimbrelGL.conf, where the per-user root is $XDG_CONFIG_HOME (default ~/.config) and
// the per-machine root the first folder of $XDG_CONFIG_DIRS (default /etc/xdg). The roots are looked
// up on every call, so tests can point them at temporary folders through the environment.
//
// Reading needs no lock: saves replace the file by renaming a finished temporary file over it, so a
// reader (or a crash) only ever sees the old file or the new one. Saves lock the key, read it again,
// change only their own values and write it back, so concurrent writers keep each other's values.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "catalogue/SettingsFile.h"

namespace nimbrel::catalogue {

enum class TSettingsRoot { srCurrentUser, srLocalMachine };

std::filesystem::path SettingsRootFolder(TSettingsRoot root);

struct TSaveResult {
  enum class TStatus { ssSaved, ssAbandoned, ssFailed };
  TStatus status = TStatus::ssFailed;
  std::string message;  // for ssFailed: where and what went wrong, naming the file
  std::string reason;   // for ssFailed: the same without the function's name, for a user's eyes
  explicit operator bool() const noexcept { return status == TStatus::ssSaved; }
};

class TSettingsKey {
 public:
  // `keyPath` is "\Software\<company>\<name>" (any further levels become folders). A path that is
  // not under \Software\, or has an empty, "." or ".." level or a "/" in a level, names no file:
  // such a key never exists and cannot be saved.
  TSettingsKey(TSettingsRoot root, std::string_view keyPath);

  const std::filesystem::path& File() const noexcept { return file_; }
  bool Valid() const noexcept { return !file_.empty(); }
  // The key's file is there (of whatever kind).
  bool Exists() const;
  // The key can be opened to read and to save: its file is readable and its folder writable.
  bool FullAccess() const;

  // The values as stored now; none when the file is missing, unreadable, not a regular file or larger
  // than kMaxSettingsFileBytes. Never throws on bad content.
  TSettingsValues Read() const;

  // Locks the key, reads its values, lets `change` edit them and saves the result atomically. When
  // `change` returns false nothing is written (ssAbandoned). Missing folders are created. An existing
  // file that cannot be read whole (too large, an I/O error, no permission to read) or that is
  // read-only is left as it is and the save fails: a save never replaces values it could not see.
  // Never throws except std::bad_alloc and what `change` throws.
  TSaveResult Update(const std::function<bool(TSettingsValues&)>& change) const;

 private:
  TSettingsRoot root_;
  std::filesystem::path file_;
};

}  // namespace nimbrel::catalogue
