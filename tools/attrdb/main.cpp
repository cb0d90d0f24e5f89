// attrdb: the command-line companion of the window, for batch work and
// maintenance of attribution databases.
#include <CLI/CLI.hpp>

#include <sstream>
#include <string>
#include <vector>

#include "platform/command_line.h"
#include "tools/attrdb/report.h"
#include "tools/attrdb/stream_error.h"
#include "tools/attrdb/subcommands.h"

namespace {

constexpr char kExitCodes[] = R"(
Exit codes: 0 done (no findings); 1 a failure, or findings (a line that is not
a mobile number, a problem in the file); 2 a usage error (an unknown
subcommand or option, a missing argument).
Run "attrdb help SUBCOMMAND" or "attrdb SUBCOMMAND --help" for each
subcommand's use.)";

// `attrdb help [SUBCOMMAND]`: the help of the program or of one subcommand.
void AddHelpCommand(CLI::App& app, int& exit_code) {
  auto topic = std::make_shared<std::vector<std::string>>();
  CLI::App* help = app.add_subcommand("help", "Show the help of attrdb or of a subcommand");
  help->add_option("SUBCOMMAND", *topic, "The subcommand (and its subcommand: index add)");
  help->callback([&app, topic, &exit_code] {
    const CLI::App* about = &app;
    for (const std::string& name : *topic) {
      const CLI::App* inner = nullptr;
      for (const CLI::App* sub : about->get_subcommands({})) {
        if (sub->get_name() == name) inner = sub;
      }
      if (inner == nullptr) throw CLI::ValidationError("no subcommand " + name);
      about = inner;
    }
    const std::string text = about->help();
    attrdb::WriteStream(text.data(), text.size(), stdout);
    exit_code = attrdb::kExitOk;
  });
}

}  // namespace

int main(int argc, char** argv) {
  platform::SetBinaryStandardStreams();
  CLI::App app{"attrdb: number-head codec and attribution database companion", "attrdb"};
  // Options are written "--name" on every system, so that "/path" stays a
  // path on Windows too.
  app.allow_windows_style_options(false);
  app.require_subcommand(1);
  app.footer(kExitCodes);
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
  AddHelpCommand(app, exit_code);
  // --version after a subcommand too (dump's --version names the phone.dat
  // version it writes).
  for (CLI::App* sub : app.get_subcommands({})) {
    if (sub->get_name() != "dump") sub->set_version_flag("--version", "attrdb " ATTRDB_VERSION);
  }
  std::vector<std::string> arguments = platform::Utf8Arguments(argc, argv);
  // A first word that is neither an option nor a subcommand is a mistyped
  // subcommand, said so rather than "a subcommand is required".
  if (arguments.size() > 1 && !arguments[1].starts_with("-")) {
    bool known = false;
    for (const CLI::App* sub : app.get_subcommands({})) {
      known = known || sub->check_name(arguments[1]);
    }
    if (!known) {
      attrdb::ReportError("no subcommand " + arguments[1]);
      attrdb::ReportError("see \"attrdb --help\"");
      return attrdb::kExitUsage;
    }
  }
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  try {
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      std::ostringstream text;  // --help, --version
      app.exit(e, text, text);
      attrdb::WriteStream(text.str().data(), text.str().size(), stdout);
    } else {
      // The help of the deepest subcommand chosen, else the program's.
      std::string command = "attrdb";
      for (const CLI::App* at = &app; !at->get_subcommands().empty();) {
        at = at->get_subcommands().front();
        command += " " + at->get_name();
      }
      attrdb::ReportError(e.what());
      attrdb::ReportError("see \"" + command + " --help\"");
      exit_code = attrdb::kExitUsage;
    }
  } catch (const std::exception& e) {
    attrdb::ReportError(attrdb::MessageOf(e));
    exit_code = attrdb::kExitFailed;
  }
  if (!attrdb::FinishStandardOutput() && exit_code == attrdb::kExitOk) {
    exit_code = attrdb::kExitFailed;
  }
  return exit_code;
}
