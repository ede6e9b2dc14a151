#pragma once
// The exceptions the orbit code raises. Callers that only want to know whether a set was taken or a
// position was produced catch EOrbitError.

#include <stdexcept>
#include <string>

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

// A propagation that produced no usable position (non-finite result, time too far from epoch).
class EPropagationError : public EOrbitError {
 public:
  using EOrbitError::EOrbitError;
};

}  // namespace nimbrel::orbit
