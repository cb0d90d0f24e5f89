// attrsearch: start-up in its fixed order, the event loop, and the exit code
// (0 after a normal run, 1 after a fatal start-up error).
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QtGlobal>
#include <QString>

#include "app/qt/application.h"
#include "app/qt/frmSearch.h"
#include "platform/desktop.h"

namespace {

const char* EnvironmentText(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// While the application object connects to the display: Qt ends the process
// with abort() when no platform plugin can start, so a fatal message there
// becomes a clear line on standard error and exit code 1.
void ReportPlatformFailure(QtMsgType type, const QMessageLogContext&,
                           const QString& message) {
  if (type != QtFatalMsg) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return;
  }
  std::fprintf(stderr,
               "attrsearch: cannot open a window on the display "
               "(DISPLAY=%s, WAYLAND_DISPLAY=%s): %s\n",
               EnvironmentText("DISPLAY"), EnvironmentText("WAYLAND_DISPLAY"),
               message.toLocal8Bit().constData());
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (!platform::DesktopAvailable()) {
    std::fprintf(stderr,
                 "attrsearch: no display to show the window on "
                 "(neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
    return 1;
  }
  std::unique_ptr<app::TApplication> application;
  const QtMessageHandler previous = qInstallMessageHandler(ReportPlatformFailure);
  try {
    application = std::make_unique<app::TApplication>(argc, argv);
  } catch (...) {
    app::WriteFatalReportToStandardError();
    return 1;
  }
  qInstallMessageHandler(previous);
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
