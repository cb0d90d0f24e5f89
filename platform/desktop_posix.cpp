// A desktop is reachable when the environment names one.
#include <cstdlib>
#include <initializer_list>

#include "platform/desktop.h"

namespace platform {

bool DesktopAvailable() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return true;
  }
  return false;
}

}  // namespace platform
