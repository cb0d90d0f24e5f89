// Removal on interrupt through a console control handler, which runs on a
// thread of its own before the process is ended.
#include <windows.h>

#include "platform/interrupt_slots.h"

namespace platform::interrupt_slots {
namespace {

BOOL WINAPI OnControl(DWORD) {
  for (int i = 0; i < kSlots; ++i) {
    if (g_in_use[i].load()) DeleteFileW(g_paths[i]);
  }
  return FALSE;  // the next handler, in the end the system's, ends the process
}

}  // namespace

void InstallHandler() { SetConsoleCtrlHandler(OnControl, TRUE); }

}  // namespace platform::interrupt_slots
