// Classifies the exception in flight by rethrowing it inside a local try.
#include "ui/caught_error.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <typeinfo>

#include "ui/error_text.h"
#include "base/exceptions.h"
#include "platform/module_address.h"

namespace ui {
namespace {

// The readable name of the type of the exception being handled.
std::string CurrentExceptionTypeName() {
  const std::type_info* type = abi::__cxa_current_exception_type();
  if (type == nullptr) return "unknown";
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> readable(
      abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), std::free);
  return status == 0 && readable ? std::string(readable.get())
                                 : std::string(type->name());
}

}  // namespace

CaughtError DescribeCurrentException() {
  CaughtError error;
  try {
    throw;
  } catch (const base::EAbort& e) {
    error = {CaughtError::Kind::kAbort, e.ClassName(), e.Message(), e.Address()};
  } catch (const base::Exception& e) {
    error = {CaughtError::Kind::kException, e.ClassName(), e.Message(),
             e.Address()};
  } catch (const base::RaisedObject& e) {
    error = {CaughtError::Kind::kOther, e.ClassName(), "", e.Address()};
  } catch (...) {
    error = {CaughtError::Kind::kOther, CurrentExceptionTypeName(), "", nullptr};
  }
  return error;
}

std::string CommandReportText(const CaughtError& error) {
  if (error.kind == CaughtError::Kind::kOther) return FatalReportText(error);
  return CommandErrorText(error.message);
}

std::string FatalReportText(const CaughtError& error) {
  platform::ModuleAddress where = platform::FindModuleAddress(error.address);
  return FatalErrorText(error.class_name, where.module_file_name, where.offset,
                        error.message);
}

}  // namespace ui
