#pragma once
// The exceptions the scene layer raises. Internal consistency checks throw EAssertionFailed, which carries
// the message and the place in the source that found the fault; renderer failures throw EOpenGLError.

#include <stdexcept>
#include <string>
#include <version>
#if defined(__cpp_lib_source_location)
#include <source_location>
#endif

namespace nimbrel::scene {

#if defined(__cpp_lib_source_location)
using TSourceLocation = std::source_location;
#else
// clang 14 on libstdc++ 12 lacks std::source_location although it has the builtins it is made of; this
// stand-in offers the same members so the rest of the code does not care which one it got.
class TSourceLocation {
 public:
  static constexpr TSourceLocation current(const char* file = __builtin_FILE(),
                                           const char* function = __builtin_FUNCTION(),
                                           unsigned line = __builtin_LINE(),
                                           unsigned column = __builtin_COLUMN()) noexcept {
    TSourceLocation where;
    where.file_ = file;
    where.function_ = function;
    where.line_ = line;
    where.column_ = column;
    return where;
  }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr const char* function_name() const noexcept { return function_; }
  constexpr unsigned line() const noexcept { return line_; }
  constexpr unsigned column() const noexcept { return column_; }

 private:
  const char* file_ = "";
  const char* function_ = "";
  unsigned line_ = 0;
  unsigned column_ = 0;
};
#endif

// A broken internal rule ("Unbalanced Begin/EndUpdate", "Handle=0 for TSphere"): what() is the message
// alone, so callers and tests can compare it; Where() tells which check found it.
class EAssertionFailed : public std::logic_error {
 public:
  EAssertionFailed(const std::string& message, const TSourceLocation& where);
  const TSourceLocation& Where() const noexcept { return where_; }
  // The message followed by file, line and function, for a report to a person.
  std::string Describe() const;

 private:
  TSourceLocation where_;
};

// The renderer reported an error (the text is the GLU description of the first error code).
class EOpenGLError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void AssertionFailure(const std::string& message,
                                   const TSourceLocation& where = TSourceLocation::current());

inline void SceneAssert(bool condition, const char* message,
                        const TSourceLocation& where = TSourceLocation::current()) {
  if (!condition) AssertionFailure(message, where);
}

}  // namespace nimbrel::scene
