#pragma once
// The exceptions the orbit code raises. Callers that only want to know whether a set was taken or a
// position was produced catch EOrbitError.

#include <stdexcept>
#include <string>
#include <utility>

namespace nimbrel::orbit {

class EOrbitError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised by Power for a base <= 0; the message is exactly "Invalid argument in Function Power!".
class EMathError : public EOrbitError {
 public:
  EMathError();
};

// An element set that cannot describe an orbit (zero mean motion, a non-finite field, a bad epoch).
class EElementError : public EOrbitError {
 public:
  using EOrbitError::EOrbitError;
};

// A propagation that produced no usable position: the orbit has decayed or no longer fits the model,
// a non-finite result, a time too far from the epoch. what() says where and for which satellite;
// Reason() is the same failure in a few plain words ("decayed") for a user's eyes.
class EPropagationError : public EOrbitError {
 public:
  explicit EPropagationError(const std::string& message, std::string reason = "no position at this time")
      : EOrbitError(message), reason_(std::move(reason)) {}
  const std::string& Reason() const noexcept { return reason_; }

 private:
  std::string reason_;
};

}  // namespace nimbrel::orbit
