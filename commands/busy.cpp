// The busy flag of the commands. One user-interface thread runs them all.
#include "commands/busy.h"

namespace commands {
namespace {

bool busy = false;

}  // namespace

bool CommandsBusy() { return busy; }

BusyScope::BusyScope(Shell& shell) : shell_(shell) {
  busy = true;
  shell_.SetCommandsEnabled(false);
}

BusyScope::~BusyScope() {
  busy = false;
  shell_.SetCommandsEnabled(true);
}

}  // namespace commands
