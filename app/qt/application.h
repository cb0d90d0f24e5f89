// TApplication: the shell. Owns the title and the main window, runs the event
// loop with every delivery guarded, and offers the commands their services:
// the notice box, draining waiting events, and the error reports.
#ifndef APP_QT_APPLICATION_H_
#define APP_QT_APPLICATION_H_

#include <QApplication>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "ui/caught_error.h"
#include "commands/controls.h"

namespace app {

class TApplication : public QApplication, public commands::Shell {
  Q_OBJECT

 public:
  // Creates the one application object, derives ApplicationTitle from the
  // program file's path and loads the program's icon (which the executable
  // links in as a resource). REQUIRES: a usable display platform.
  TApplication(int& argc, char** argv);
  ~TApplication() override;

  // The application object; null before it is created.
  static TApplication* Instance();

  // The title (GBK) that captions the notice and error boxes.
  const std::string& ApplicationTitle() const { return title_; }
  QString TitleText() const;

  // Prepares the platform for the data access; nothing to do here, but the
  // step keeps its place in the start-up order.
  void InitialisePlatform();

  // Makes `window` the main window, owned by the shell from now on.
  void SetMainWindow(std::unique_ptr<QWidget> window);
  QWidget* MainWindow() const { return main_window_.get(); }

  // Shows the main window, which makes it the active window and raises its
  // activation at once, before any further event is handled.
  void ShowMainWindow();
  // Shows the main window, handles events until StopRequested, then hides
  // and destroys the main window. Returns the exit code, 0.
  int Run();

  // Posts the quit request; the loop ends when it is taken from the queue.
  void PostQuitRequest();
  bool StopRequested() const { return stop_requested_; }

  // The program's modal notice box with `text` (GBK); returns when closed,
  // the window that was active before it active again.
  void ShowNotice(std::string_view text) override;
  // Handles every waiting event, user input included, then returns.
  void DrainPendingEvents() override;

  // Shows the error caught in flight in the command error box; an EAbort
  // shows nothing. REQUIRES: called inside a catch handler.
  void ReportCurrentCommandError();
  void ReportCommandError(const ui::CaughtError& error);
  // Shows the fatal report of the error caught in flight under "Application
  // Error" (or writes it to standard error when no window can be shown).
  // The caller ends the program with exit code 1.
  // REQUIRES: called inside a catch handler.
  void ReportCurrentFatalError();

  // The window the shell counts as holding the keyboard focus.
  QWidget* FocusOwner() const { return focus_owner_; }

  // Delivers every event under the guard; raises activations.
  bool notify(QObject* receiver, QEvent* event) override;

 protected:
  bool event(QEvent* event) override;

 private:
  void FocusEntered(QWidget* window);
  // The window to give the activation back to once a box closes: the
  // active one, or the one whose activation the shell has raised already.
  QWidget* ActiveWindowBeforeABox() const;
  // Activates `window` again when it is still shown.
  static void GiveActivationBack(QWidget* window);

  std::string title_;
  std::unique_ptr<QWidget> main_window_;
  bool stop_requested_ = false;
  QPointer<QWidget> focus_owner_;
  std::vector<QPointer<QWidget>> saved_focus_owners_;
  bool platform_initialised_ = false;
};

// Runs `body`; an exception escaping it goes to the command error report.
// Every handler slot of the window runs through this.
template <typename Body>
void Guarded(Body&& body) {
  try {
    body();
  } catch (...) {
    TApplication::Instance()->ReportCurrentCommandError();
  }
}

// Writes the fatal report of the error caught in flight to standard error;
// for start-up failures before any window can exist.
// REQUIRES: called inside a catch handler.
void WriteFatalReportToStandardError();

}  // namespace app

#endif  // APP_QT_APPLICATION_H_
