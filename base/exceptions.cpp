// Construction of the error objects and the one helper per kind of error.
#include "base/exceptions.h"

#include <utility>

namespace base {

RaisedObject::RaisedObject(std::string class_name, const void* address)
    : class_name_(std::move(class_name)), address_(address) {}

RaisedObject::~RaisedObject() = default;

const char* RaisedObject::what() const noexcept { return class_name_.c_str(); }

Exception::Exception(std::string class_name, std::string message,
                     const void* address)
    : RaisedObject(std::move(class_name), address),
      message_(std::move(message)) {}

// The helpers are kept out of line so that the return address names the code
// that asked for the error.
#if defined(_MSC_VER)
#include <intrin.h>
#define ATTR_NOINLINE __declspec(noinline)
#define ATTR_CALLER() _ReturnAddress()
#else
#define ATTR_NOINLINE __attribute__((noinline))
#define ATTR_CALLER() __builtin_extract_return_addr(__builtin_return_address(0))
#endif

[[noreturn]] ATTR_NOINLINE void RaiseNotAnInteger(
    std::string_view text) {
  std::string message = "'";
  message.append(text);
  message.append("' is not a valid integer value");
  throw EConvertError(std::move(message), ATTR_CALLER());
}

[[noreturn]] ATTR_NOINLINE void RaiseRangeError() {
  throw ERangeError("Range check error", ATTR_CALLER());
}

[[noreturn]] ATTR_NOINLINE void RaiseAbort() {
  throw EAbort("", ATTR_CALLER());
}

[[noreturn]] ATTR_NOINLINE void RaiseDatabaseError(
    std::string message) {
  throw EDatabaseError(std::move(message), ATTR_CALLER());
}

[[noreturn]] ATTR_NOINLINE void RaiseComponentError(
    std::string_view component, std::string_view message) {
  std::string text(component);
  text.append(": ");
  text.append(message);
  throw EDatabaseError(std::move(text), ATTR_CALLER());
}

[[noreturn]] ATTR_NOINLINE void RaiseOleError(std::string message) {
  throw EOleException(std::move(message), ATTR_CALLER());
}

[[noreturn]] ATTR_NOINLINE void RaiseException(
    std::string message) {
  throw Exception(std::move(message), ATTR_CALLER());
}

[[noreturn]] ATTR_NOINLINE void RaiseNonException(
    std::string class_name) {
  throw RaisedObject(std::move(class_name), ATTR_CALLER());
}

}  // namespace base
