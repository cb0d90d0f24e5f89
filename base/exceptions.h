// The error objects of the whole system. Every failure the user can see is one
// of these: it carries a class name (shown by the fatal report), a message in
// code page 936 bytes (Exception and its descendants only), and the address
// of the code that raised it.
#ifndef BASE_EXCEPTIONS_H_
#define BASE_EXCEPTIONS_H_

#include <exception>
#include <string>
#include <string_view>

namespace base {

// Any raised object. Objects that are not an Exception carry no message; the
// error reports treat them apart.
class RaisedObject : public std::exception {
 public:
  RaisedObject(std::string class_name, const void* address);
  ~RaisedObject() override;

  const std::string& ClassName() const { return class_name_; }
  // Address of the code that raised the object (the caller of the raising
  // helper); null when unknown.
  const void* Address() const { return address_; }
  const char* what() const noexcept override;

 private:
  std::string class_name_;
  const void* address_;
};

// The root of the message-carrying errors. The message is GBK text.
class Exception : public RaisedObject {
 public:
  Exception(std::string message, const void* address)
      : Exception("Exception", std::move(message), address) {}
  const std::string& Message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 protected:
  Exception(std::string class_name, std::string message, const void* address);

 private:
  std::string message_;
};

// Passed over silently by the command error report.
class EAbort : public Exception {
 public:
  EAbort(std::string message, const void* address)
      : Exception("EAbort", std::move(message), address) {}
};

// The query cursor's own checks and a failed Post.
class EDatabaseError : public Exception {
 public:
  EDatabaseError(std::string message, const void* address)
      : Exception("EDatabaseError", std::move(message), address) {}
};

// Errors of the database engine, carrying the engine's description.
class EOleException : public Exception {
 public:
  EOleException(std::string message, const void* address)
      : Exception("EOleException", std::move(message), address) {}
};

// Text that is not an integer.
class EConvertError : public Exception {
 public:
  EConvertError(std::string message, const void* address)
      : Exception("EConvertError", std::move(message), address) {}
};

// A value out of the range a conversion allows ("Range check error").
class ERangeError : public Exception {
 public:
  ERangeError(std::string message, const void* address)
      : Exception("ERangeError", std::move(message), address) {}
};

// Each of the following raises one kind of error with its fixed message. The
// recorded address is that of the code that called the helper.

// Raises EConvertError "'<text>' is not a valid integer value".
[[noreturn]] void RaiseNotAnInteger(std::string_view text);
// Raises ERangeError "Range check error".
[[noreturn]] void RaiseRangeError();
// Raises EAbort with an empty message.
[[noreturn]] void RaiseAbort();
// Raises EDatabaseError with `message`, unprefixed.
[[noreturn]] void RaiseDatabaseError(std::string message);
// Raises EDatabaseError "<component>: <message>", the form of the cursor's
// own checks.
[[noreturn]] void RaiseComponentError(std::string_view component,
                                      std::string_view message);
// Raises EOleException with the engine's description `message`.
[[noreturn]] void RaiseOleError(std::string message);
// Raises a plain Exception with `message`.
[[noreturn]] void RaiseException(std::string message);
// Raises a RaisedObject that is not an Exception, of class `class_name`.
[[noreturn]] void RaiseNonException(std::string class_name);

}  // namespace base

#endif  // BASE_EXCEPTIONS_H_
