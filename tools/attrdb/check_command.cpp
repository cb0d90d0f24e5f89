// What attrdb check and attrdb recover print.
#include "tools/attrdb/check_command.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "db/jet/write/file_check.h"
#include "platform/path_text.h"
#include "tools/attrdb/report.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {
namespace {

// The journal left beside `file` by an interrupted change, as a problem.
std::string JournalProblem(const std::string& file, const jet::JournalReport& journal) {
  const std::string name = platform::Utf8Of(jet::JournalPathFor(platform::PathFromUtf8(file)));
  if (!journal.complete) {
    return name + ": a journal cut short by an interrupted change, before the file was "
                  "touched; \"attrdb recover " + file + "\" removes it";
  }
  return name + ": a journal left by an interrupted change: " + std::to_string(journal.pages) +
         " original pages and the size of " + std::to_string(journal.file_size) +
         " bytes to put back; this tool reads the file as it was before that change, other "
         "programs see it half written until \"attrdb recover " + file + "\" rolls it back";
}

}  // namespace

int Check(const std::string& file) {
  jet::FileCheck check = jet::CheckDatabaseFile(platform::PathFromUtf8(file));
  std::vector<std::string>& problems = check.problems;
  if (check.journal) problems.insert(problems.begin(), JournalProblem(file, *check.journal));
  for (const std::string& problem : problems) {
    // Messages about the whole file name it already.
    if (problem.starts_with(file)) {
      std::printf("%s\n", problem.c_str());
    } else {
      std::printf("%s: %s\n", file.c_str(), problem.c_str());
    }
  }
  if (problems.empty()) {
    std::printf("%s: no problems found\n", file.c_str());
    return kExitOk;
  }
  ReportError(file + ": " + std::to_string(problems.size()) + " problem" +
              (problems.size() == 1 ? "" : "s"));
  return kExitFailed;
}

int Recover(const std::string& file) {
  const std::optional<jet::JournalReport> journal =
      jet::RecoverJournal(platform::PathFromUtf8(file));
  if (!journal) {
    std::printf("%s: no journal beside it; nothing to recover\n", file.c_str());
  } else if (journal->complete) {
    std::printf("%s: rolled back an interrupted change: %zu pages put back, size %llu bytes\n",
                file.c_str(), journal->pages,
                static_cast<unsigned long long>(journal->file_size));
  } else {
    std::printf("%s: removed a journal cut short before the file was touched (the file was "
                "not changed)\n", file.c_str());
  }
  return kExitOk;
}

}  // namespace attrdb
