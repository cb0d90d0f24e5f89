// Every Windows session that runs a program has its desktop.
#include "platform/desktop.h"

namespace platform {

bool DesktopAvailable() { return true; }

}  // namespace platform
