#include "base/exceptions.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/module_address.h"
#include "testing/expect_raise.h"

namespace base {
namespace {

TEST(Exceptions, HelpersGiveClassNameAndExactMessage) {
  EXPECT_RAISE(RaiseNotAnInteger("1x"), EConvertError,
               "'1x' is not a valid integer value");
  EXPECT_RAISE(RaiseRangeError(), ERangeError, "Range check error");
  EXPECT_RAISE(RaiseComponentError("ADOQuery1", "Missing SQL property"),
               EDatabaseError, "ADOQuery1: Missing SQL property");
  EXPECT_RAISE(RaiseDatabaseError("unprefixed"), EDatabaseError, "unprefixed");
  EXPECT_RAISE(RaiseOleError("Syntax error"), EOleException, "Syntax error");
  EXPECT_RAISE(RaiseAbort(), EAbort, "");
  EXPECT_RAISE(RaiseException("plain"), Exception, "plain");
}

TEST(Exceptions, AbortIsAnExceptionAndNonExceptionsAreNot) {
  try {
    RaiseAbort();
  } catch (const Exception& e) {
    EXPECT_EQ(e.ClassName(), "EAbort");
  }
  bool caught_as_exception = false;
  try {
    RaiseNonException("TObject");
  } catch (const Exception&) {
    caught_as_exception = true;
  } catch (const RaisedObject& e) {
    EXPECT_EQ(e.ClassName(), "TObject");
  }
  EXPECT_FALSE(caught_as_exception);
}

TEST(Exceptions, RememberWhereTheyWereRaisedInTheProgram) {
  try {
    RaiseRangeError();
  } catch (const RaisedObject& e) {
    ASSERT_NE(e.Address(), nullptr);
    platform::ModuleAddress where = platform::FindModuleAddress(e.Address());
    // The program file's name, with ".exe" where the system adds one.
    EXPECT_EQ(std::filesystem::path(where.module_file_name).stem(), "base_test");
    EXPECT_LT(where.offset, reinterpret_cast<uintptr_t>(e.Address()) + 1);
  }
}

}  // namespace
}  // namespace base
