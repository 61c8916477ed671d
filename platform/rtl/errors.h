#pragma once
// The error types of the runtime layer. Every error the platform raises derives from
// rtl::Exception, whose message is what the module logs.

#include <stdexcept>
#include <string>

namespace rtl {

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// A value that cannot be converted to the requested type ("'abc' is not a valid integer value").
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A misuse of a variant (reading a packet from a text, indexing a non-array).
class EVariantError : public Exception {
 public:
  using Exception::Exception;
};

// In-memory table and data-packet failures (missing field, type mismatch, not a packet).
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

// A programming error, not a failure of the world: an undeclared parameter, a statement that
// was never set up, a transaction begun inside another. Deliberately not an EDatabaseError, so
// that code which retries or reports database failures never mistakes a bug for one.
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

// File input/output failures.
class EInOutError : public Exception {
 public:
  using Exception::Exception;
};

// True for an error of the program itself: an EInvalidOperation or a std::logic_error (a
// broken precondition, an index out of range). Code that turns the failures of the world
// (database, network, device, files, bad data) into a fallback lets these through, so that
// they reach the handler that reports them as what they are.
inline bool IsProgrammingError(const std::exception& error) {
  return dynamic_cast<const EInvalidOperation*>(&error) != nullptr ||
         dynamic_cast<const std::logic_error*>(&error) != nullptr;
}

}  // namespace rtl
