// How attrdb speaks when something goes wrong, the same way in every
// subcommand: one line "attrdb: <message>" on standard error, in UTF-8,
// after whatever standard output holds so far; and the end of standard
// output checked, so that a full disk is never reported as success.
#ifndef TOOLS_ATTRDB_REPORT_H_
#define TOOLS_ATTRDB_REPORT_H_

#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace attrdb {

// Writes "attrdb: <message>" and a line end to `err` (standard error
// unless a test gives its own), after flushing standard output. Bytes of
// `message` that are not UTF-8 are written as U+FFFD.
void ReportError(std::string_view message, std::FILE* err = stderr);

// The message of an error any layer raised, in UTF-8: the engine's and the
// import's as they are, the connection's and the cursor's (kept in the
// ANSI code page, GBK) converted, without their class names.
std::string MessageOf(const std::exception& error);

// Runs `body` and returns its exit code; an error it raises is reported on
// `err` (MessageOf), followed by the line `after` when that is not empty,
// and gives kExitFailed.
int Guarded(const std::function<int()>& body, std::string_view after = {},
            std::FILE* err = stderr);

// Flushes standard output and closes it; on failure reports
// "standard output: <the system's reason>" and returns false.
bool FinishStandardOutput();

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_REPORT_H_
