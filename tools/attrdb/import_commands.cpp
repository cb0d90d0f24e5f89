// attrdb subcommands (registered here as they are built).
#include "tools/attrdb/subcommands.h"

namespace attrdb {

void AddImportCommands(CLI::App& /*app*/, int& /*exit_code*/) {}

}  // namespace attrdb
