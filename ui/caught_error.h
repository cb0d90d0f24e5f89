// What the error reports need to know of an exception caught in flight: its
// kind, class name, GBK message and the address that raised it.
#ifndef UI_CAUGHT_ERROR_H_
#define UI_CAUGHT_ERROR_H_

#include <string>

namespace ui {

struct CaughtError {
  enum class Kind {
    kAbort,      // base::EAbort: passed over by the command report
    kException,  // base::Exception or a descendant: has a message
    kOther,      // any other object: a class name only
  };
  Kind kind = Kind::kOther;
  std::string class_name;
  std::string message;  // GBK; empty unless kind is kException or kAbort
  const void* address = nullptr;
};

// Describes the exception being handled. An object that is not one of the
// system's (std::exception, anything else) is kOther, named by its type.
// REQUIRES: called inside a catch handler.
CaughtError DescribeCurrentException();

// The text of the command error box for `error`: the message with the
// command report's full-stop rule, or for kOther the fatal report's text.
// REQUIRES: error.kind is not kAbort.
std::string CommandReportText(const CaughtError& error);

// The text of the fatal report for `error`, naming the module that holds the
// raising address and the offset into it.
std::string FatalReportText(const CaughtError& error);

}  // namespace ui

#endif  // UI_CAUGHT_ERROR_H_
