#include "scene/SceneErrors.h"

namespace nimbrel::scene {

EAssertionFailed::EAssertionFailed(const std::string& message, const TSourceLocation& where)
    : std::logic_error(message), where_(where) {}

std::string EAssertionFailed::Describe() const {
  return std::string(what()) + " (" + where_.file_name() + ":" + std::to_string(where_.line()) + ", " +
         where_.function_name() + ")";
}

void AssertionFailure(const std::string& message, const TSourceLocation& where) {
  throw EAssertionFailed(message, where);
}

}  // namespace nimbrel::scene
