// attrdb: the command-line companion of the window, for batch work and
// maintenance of attribution databases.
#include <CLI/CLI.hpp>

#include "tools/attrdb/subcommands.h"

int main(int argc, char** argv) {
  CLI::App app{"attrdb: number-head codec and attribution database companion", "attrdb"};
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
  CLI11_PARSE(app, argc, argv);
  return exit_code;
}
