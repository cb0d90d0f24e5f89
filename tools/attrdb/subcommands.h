// The subcommands of attrdb. Each registers itself on the command line parser
// and runs when chosen; a subcommand's exit code is what main returns.
#ifndef TOOLS_ATTRDB_SUBCOMMANDS_H_
#define TOOLS_ATTRDB_SUBCOMMANDS_H_

#include <CLI/CLI.hpp>
#include <string>

namespace attrdb {

// Exit codes shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // some input or the file was bad
inline constexpr int kExitUsage = 2;   // the command line was wrong

// `encode HEAD...` and `decode STORED...`.
void AddCodecCommands(CLI::App& app, int& exit_code);
// `tables FILE`, `schema FILE [TABLE]` and `export FILE TABLE`.
void AddJetCommands(CLI::App& app, int& exit_code);
// `index add FILE TABLE COLUMN [--name NAME] [--unique]`.
void AddIndexCommands(CLI::App& app, int& exit_code);
// `sql FILE STATEMENT`: one SELECT through the query cursor.
void AddSqlCommands(CLI::App& app, int& exit_code);

// `encode-all FILE`: the bulk number-head encoding.
void AddMaintenanceCommands(CLI::App& app, int& exit_code);

// `lookup NUMBER...` and `list PROVINCE CITY`: attribution for daily use.
void AddLookupCommands(CLI::App& app, int& exit_code);
// `import INPUT --to DB` and `check [--data] FILE`.
void AddImportCommands(CLI::App& app, int& exit_code);
// `dump` and `info`: every answer written out, the figures of the data.
void AddDataCommands(CLI::App& app, int& exit_code);
// The body of `check --data FILE`: prints the findings about the data;
// returns kExitFailed when one makes answers wrong or missing or the file
// cannot be read.
int CheckData(const std::string& file);

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_SUBCOMMANDS_H_
