// Whether this session has a desktop that a window can be shown on.
#ifndef PLATFORM_DESKTOP_H_
#define PLATFORM_DESKTOP_H_

namespace platform {

// On Windows always; elsewhere when the environment names a display (X11's
// DISPLAY or WAYLAND_DISPLAY) or a Qt platform explicitly (QT_QPA_PLATFORM).
bool DesktopAvailable();

}  // namespace platform

#endif  // PLATFORM_DESKTOP_H_
