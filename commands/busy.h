// While the bulk encoding lets window events through, the other commands
// must not touch the shared cursor: they do nothing until it has ended.
#ifndef COMMANDS_BUSY_H_
#define COMMANDS_BUSY_H_

#include "commands/controls.h"

namespace commands {

// True while a BusyScope exists.
bool CommandsBusy();

// Marks the commands busy and asks the shell to disable the controls that
// start them; both are undone when the scope ends, also by an exception.
class BusyScope {
 public:
  explicit BusyScope(Shell& shell);
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  Shell& shell_;
};

}  // namespace commands

#endif  // COMMANDS_BUSY_H_
