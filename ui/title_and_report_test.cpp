// The title derivation and the texts of the error reports: plain functions
// over GBK bytes, no window involved.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "ui/application_title.h"
#include "ui/caught_error.h"
#include "ui/error_text.h"
#include "base/exceptions.h"
#include "platform/module_address.h"

namespace ui {
namespace {

// The test program's file name, which the reports name as the module.
std::string ThisProgram() { return platform::FindModuleAddress(nullptr).module_file_name; }

TEST(ApplicationTitle, CutsAtSeparatorAndFirstFullStopAndLowerCasesTheRest) {
  EXPECT_EQ(DeriveApplicationTitle("/opt/tools/Phone.Lookup.exe"), "Phone");
  EXPECT_EQ(DeriveApplicationTitle("/opt/tools/Phone.Lookup"), "Phone");
  EXPECT_EQ(DeriveApplicationTitle("C:/PHONEINFO.EXE"), "Phoneinfo");
  EXPECT_EQ(DeriveApplicationTitle("/usr/bin/AttrSearch"), "Attrsearch");
  EXPECT_EQ(DeriveApplicationTitle("/opt/v1.2/Tool"), "Tool");
  EXPECT_EQ(DeriveApplicationTitle("/opt/tools/"), "");
  EXPECT_EQ(DeriveApplicationTitle(""), "");
  // Only the platform's separator counts.
  EXPECT_EQ(DeriveApplicationTitle("C:\\APP\\X.EXE"), "C:\\app\\x");
  EXPECT_EQ(DeriveApplicationTitle("C:\\APP\\X.EXE", "\\/"), "X");
  EXPECT_EQ(DeriveApplicationTitle("C:\\Program Files/attr\\AttrSearch.exe", "\\/"),
            "Attrsearch");
}

TEST(ApplicationTitle, LeavesDoubleByteCharactersAlone) {
  // "归属地Tool.exe": the Chinese characters keep their bytes.
  const std::string chinese = "\xb9\xe9\xca\xf4\xb5\xd8";
  EXPECT_EQ(DeriveApplicationTitle("/opt/" + chinese + "Tool.exe"),
            chinese + "tool");
  // A character whose trail byte is 'A' (0x41): the trail byte is not a
  // letter to lower-case; the following ASCII letters are.
  EXPECT_EQ(DeriveApplicationTitle("/opt/\xb0\x41" "ABC.EXE"),
            "\xb0\x41" "abc");
  // Leading ASCII letter keeps its case; a trail byte 0x5C is not a
  // backslash separator.
  EXPECT_EQ(DeriveApplicationTitle("D:\\X\x81\x5c" "AB.EXE", "\\/"),
            "X\x81\x5c" "ab");
}

TEST(ApplicationTitle, UsesOnlyTheFirst255BytesOfThePath) {
  const std::string path = "/" + std::string(250, 'd') + "/Name.exe";
  EXPECT_EQ(DeriveApplicationTitle(path), "Nam");
  EXPECT_EQ(DeriveApplicationTitle("/" + std::string(260, 'D')),
            "D" + std::string(253, 'd'));
}

TEST(CommandErrorText, AppendsFullStopWhenTheLastByteIsAboveFullStop) {
  const struct {
    std::string message, shown;
  } cases[] = {
      {"Done.", "Done."},
      {"Stop!", "Stop!"},
      {"Why?", "Why?."},
      {"a:", "a:."},
      {"a;", "a;."},
      {"a/", "a/."},
      {"7", "7."},
      {"x", "x."},
      {"(x)", "(x)"},
      {"a,", "a,"},
      {"a-", "a-"},
      {"say \"x\"", "say \"x\""},
      {"trailing ", "trailing "},
      {"", ""},
      {"\xb6\xd4\xb2\xbb\xc6\xf0", "\xb6\xd4\xb2\xbb\xc6\xf0."},  // 对不起
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CommandErrorText(c.message), c.shown) << c.message;
  }
}

TEST(FatalErrorText, FormatsClassModuleOffsetAndMessage) {
  EXPECT_EQ(FatalErrorText("EOleException", "attrsearch", 0x1a2b, "Stop!"),
            "Exception EOleException in module attrsearch at 00001A2B.\n"
            "Stop!.");
  EXPECT_EQ(FatalErrorText("EAbort", "attrsearch", 0, "Done."),
            "Exception EAbort in module attrsearch at 00000000.\nDone.");
  EXPECT_EQ(FatalErrorText("EAccessViolation", "x.so", 0xDEADBEEF, ""),
            "Exception EAccessViolation in module x.so at DEADBEEF.\n");
}

TEST(FatalErrorText, IsCutTo1023Bytes) {
  const std::string text =
      FatalErrorText("Exception", "attrsearch", 16, std::string(2000, 'm'));
  ASSERT_EQ(text.size(), kMaxFatalTextBytes);
  EXPECT_EQ(text.substr(0, 47),
            "Exception Exception in module attrsearch at 000");
  EXPECT_EQ(text.back(), 'm');
}

// Raises `raise` and describes what was caught.
template <typename Raise>
CaughtError Catch(Raise raise) {
  try {
    raise();
  } catch (...) {
    return DescribeCurrentException();
  }
  return {};
}

TEST(CaughtError, ClassifiesTheSystemsErrorsAndForeignObjects) {
  CaughtError abort = Catch([] { base::RaiseAbort(); });
  EXPECT_EQ(abort.kind, CaughtError::Kind::kAbort);

  CaughtError ole = Catch([] { base::RaiseOleError("Not a database"); });
  EXPECT_EQ(ole.kind, CaughtError::Kind::kException);
  EXPECT_EQ(ole.class_name, "EOleException");
  EXPECT_EQ(CommandReportText(ole), "Not a database.");

  CaughtError raised = Catch([] { base::RaiseNonException("EAccessViolation"); });
  EXPECT_EQ(raised.kind, CaughtError::Kind::kOther);
  EXPECT_EQ(raised.class_name, "EAccessViolation");
  EXPECT_NE(raised.address, nullptr);
  const std::string text = CommandReportText(raised);
  EXPECT_EQ(text.rfind("Exception EAccessViolation in module " + ThisProgram() + " at ", 0), 0u)
      << text;
  EXPECT_EQ(text.substr(text.size() - 2), ".\n");

  CaughtError standard = Catch([] { throw std::runtime_error("boom"); });
  EXPECT_EQ(standard.kind, CaughtError::Kind::kOther);
  EXPECT_EQ(standard.class_name, "std::runtime_error");
  EXPECT_EQ(standard.message, "");

  CaughtError number = Catch([] { throw 42; });
  EXPECT_EQ(number.class_name, "int");
}

TEST(CaughtError, FatalReportAddsFullStopAfterExclamationMark) {
  CaughtError error = Catch([] { base::RaiseException("Stop!"); });
  EXPECT_EQ(CommandReportText(error), "Stop!");
  const std::string fatal = FatalReportText(error);
  EXPECT_EQ(fatal.rfind("Exception Exception in module " + ThisProgram() + " at ", 0), 0u);
  EXPECT_EQ(fatal.substr(fatal.size() - 8), ".\nStop!.");
}

}  // namespace
}  // namespace ui
