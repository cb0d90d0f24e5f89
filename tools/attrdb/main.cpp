// attrdb: the command-line companion of the window, for batch work and
// maintenance of attribution databases.
#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "platform/command_line.h"
#include "tools/attrdb/subcommands.h"

int main(int argc, char** argv) {
  platform::SetBinaryStandardStreams();
  CLI::App app{"attrdb: number-head codec and attribution database companion", "attrdb"};
  // Options are written "--name" on every system, so that "/path" stays a
  // path on Windows too.
  app.allow_windows_style_options(false);
  app.require_subcommand(1);
  app.set_version_flag("--version", "attrdb " ATTRDB_VERSION);
  int exit_code = attrdb::kExitOk;
  attrdb::AddCodecCommands(app, exit_code);
  attrdb::AddJetCommands(app, exit_code);
  attrdb::AddIndexCommands(app, exit_code);
  attrdb::AddSqlCommands(app, exit_code);
  attrdb::AddMaintenanceCommands(app, exit_code);
  attrdb::AddLookupCommands(app, exit_code);
  attrdb::AddImportCommands(app, exit_code);
  attrdb::AddDataCommands(app, exit_code);
  std::vector<std::string> arguments = platform::Utf8Arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  CLI11_PARSE(app, static_cast<int>(pointers.size()), pointers.data());
  return exit_code;
}
