// The shell's event loop glue, activation bookkeeping and services.
#include "app/qt/application.h"

#include <QEvent>
#include <QIcon>
#include <QWidget>
#include <cstdio>

#include "app/qt/activation.h"
#include "app/qt/gbk_text.h"
#include "app/qt/message_boxes.h"
#include "app/qt/message_form.h"
#include "ui/application_title.h"
#include "ui/boxes.h"

namespace app {
namespace {

const QEvent::Type kQuitRequest =
    static_cast<QEvent::Type>(QEvent::registerEventType());

// Platforms on which no window is ever seen.
bool CanShowWindows() {
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") &&
         platform != QLatin1String("minimal");
}

void WriteFatalReportText(const QString& text) {
  const QByteArray local = text.toLocal8Bit();
  std::fprintf(stderr, "%s\n%s\n", ui::kFatalCaption, local.constData());
}

}  // namespace

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv),
      title_(ui::ThisProgramsTitle()) {
  setQuitOnLastWindowClosed(false);
  setWindowIcon(QIcon(QStringLiteral(":/app/attrsearch.ico")));
}

TApplication::~TApplication() { main_window_.reset(); }

TApplication* TApplication::Instance() {
  return static_cast<TApplication*>(QCoreApplication::instance());
}

QString TApplication::TitleText() const { return GbkToQString(title_); }

void TApplication::InitialisePlatform() { platform_initialised_ = true; }

void TApplication::SetMainWindow(std::unique_ptr<QWidget> window) {
  main_window_ = std::move(window);
}

void TApplication::ShowMainWindow() {
  if (main_window_ == nullptr) return;
  main_window_->show();
  main_window_->activateWindow();
  // The activation is raised here rather than when the platform reports it,
  // so that it runs before the first event is taken from the queue.
  Guarded([&] { FocusEntered(main_window_.get()); });
}

int TApplication::Run() {
  if (main_window_ != nullptr) {
    ShowMainWindow();
    if (!stop_requested_) exec();
    main_window_->hide();
    main_window_.reset();
  }
  return 0;
}

void TApplication::PostQuitRequest() {
  postEvent(this, new QEvent(kQuitRequest));
}

bool TApplication::event(QEvent* event) {
  if (event->type() == kQuitRequest) {
    stop_requested_ = true;
    exit(0);
    return true;
  }
  return QApplication::event(event);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    if (event->type() == QEvent::WindowActivate && receiver->isWidgetType()) {
      auto* widget = static_cast<QWidget*>(receiver);
      if (widget->isWindow()) FocusEntered(widget);
    }
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportCurrentCommandError();
    return false;
  }
}

void TApplication::FocusEntered(QWidget* window) {
  auto* target = dynamic_cast<ActivationTarget*>(window);
  if (target == nullptr || window == focus_owner_) return;
  focus_owner_ = window;
  target->Activated();
}

void TApplication::ShowNotice(std::string_view text) {
  const QString message = GbkToQString(text);
  if (HandBoxToHook(BoxKind::kNotice, TitleText(), message)) return;

  QPointer<QWidget> was_active = ActiveWindowBeforeABox();
  auto box = std::make_unique<TMessageForm>(TitleText(), message,
                                            was_active.data());
  saved_focus_owners_.push_back(focus_owner_);
  focus_owner_ = box.get();
  if (!stop_requested_) box->exec();
  box->hide();
  focus_owner_ = saved_focus_owners_.back();
  saved_focus_owners_.pop_back();
  // A box the user was not in (another program had the focus) leaves the
  // activation where it is.
  if (box->ActiveWhenHidden()) GiveActivationBack(was_active);
}

QWidget* TApplication::ActiveWindowBeforeABox() const {
  if (QWidget* active = activeWindow()) return active;
  // The main window's activation is raised as it is shown, before the
  // platform reports it; a box from its handler comes before the report.
  return focus_owner_;
}

void TApplication::GiveActivationBack(QWidget* window) {
  // The platform need not do it: a plain X server leaves the keyboard focus
  // on the root window when the box hides.
  if (window != nullptr && window->isVisible()) window->activateWindow();
}

void TApplication::DrainPendingEvents() {
  sendPostedEvents();
  processEvents(QEventLoop::AllEvents);
}

void TApplication::ReportCurrentCommandError() {
  ReportCommandError(ui::DescribeCurrentException());
}

void TApplication::ReportCommandError(const ui::CaughtError& error) {
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  if (!ui::ShowsCommandReport(error)) return;
  const ui::Box box = ui::CommandReportBox(error, title_);
  const QString caption = GbkToQString(box.caption);
  const QString text = GbkToQString(box.text);
  if (HandBoxToHook(box.kind, caption, text)) return;
  QPointer<QWidget> was_active = ActiveWindowBeforeABox();
  ShowErrorBox(caption, text);
  GiveActivationBack(was_active);
}

void TApplication::ReportCurrentFatalError() {
  const ui::Box box = ui::FatalReportBox(ui::DescribeCurrentException());
  const QString caption = GbkToQString(box.caption);
  const QString text = GbkToQString(box.text);
  if (HandBoxToHook(box.kind, caption, text)) return;
  if (!CanShowWindows()) {
    WriteFatalReportText(text);
    return;
  }
  ShowErrorBox(caption, text);
}

void WriteFatalReportToStandardError() {
  WriteFatalReportText(GbkToQString(ui::FatalReportText(ui::DescribeCurrentException())));
}

}  // namespace app
