// attrsearch: start-up in its fixed order, the event loop, and the exit code
// (0 after a normal run, 1 after a fatal start-up error).
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/application.h"
#include "app/frmSearch.h"

namespace {

// Whether Qt can reach a display: a platform named explicitly, or an X11 or
// Wayland display in the environment.
bool DisplayAvailable() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr,
                 "attrsearch: no display to show the window on "
                 "(neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
    return 1;
  }
  std::unique_ptr<app::TApplication> application;
  try {
    application = std::make_unique<app::TApplication>(argc, argv);
  } catch (...) {
    app::WriteFatalReportToStandardError();
    return 1;
  }
  application->InitialisePlatform();
  try {
    auto form = std::make_unique<app::TForm1>();
    app::Form1 = form.get();
    application->SetMainWindow(std::move(form));
  } catch (...) {
    app::Form1 = nullptr;
    application->ReportCurrentFatalError();
    return 1;
  }
  return application->Run();
}
