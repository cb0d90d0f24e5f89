// The shell: title, guarded deliveries, the boxes, draining events,
// activation and start-up without a database.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "app/qt/application.h"
#include "app/qt/combo_box.h"
#include "app/qt/gbk_text.h"
#include "app/qt/message_form.h"
#include "app/qt/test_support.h"
#include "base/exceptions.h"
#include "testing/attribution_db.h"
#include "testing/scratch_dir.h"
#include "testing/shared_fixtures.h"

namespace app {
namespace {

TApplication& Shell() { return *TApplication::Instance(); }

// An object whose every event handling raises `error`.
class Raiser : public QObject {
 public:
  explicit Raiser(std::function<void()> raise) : raise_(std::move(raise)) {}
  bool event(QEvent*) override {
    raise_();
    return true;
  }

 private:
  std::function<void()> raise_;
};

// Runs the shell's notice box for `text` and closes it with `key`, pressed
// once the box is up. Returns the box's caption and whether it was modal.
struct SeenBox {
  QString caption, text, button;
  bool modal = false, ok_default = false;
  int buttons = 0;
};
SeenBox NoticeClosedBy(Qt::Key key, std::function<void()> meanwhile = {}) {
  SeenBox seen;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<TMessageForm*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    if (meanwhile) meanwhile();
    seen = {box->windowTitle(), box->Message()->text(), box->OkButton()->text(),
            box->isModal(), box->OkButton()->isDefault(),
            static_cast<int>(box->findChildren<QPushButton*>().size())};
    QTest::keyClick(box, key);
  });
  Shell().ShowNotice("\xba\xc5\xb6\xce\xc9\xfa\xb3\xc9\xcd\xea\xb1\xcf");
  return seen;
}

TEST(Shell, TitleComesFromTheProgramFile) {
  EXPECT_EQ(Shell().ApplicationTitle(), "app_test");
}

TEST(Shell, ErrorsEscapingADeliveryAreReportedAndTheLoopGoesOn) {
  BoxRecorder recorder;
  Raiser ole([] { base::RaiseOleError("Could not find file 'attrdata.mdb'"); });
  Raiser abort([] { base::RaiseAbort(); });
  Raiser foreign([] { base::RaiseNonException("EAccessViolation"); });
  QEvent event(QEvent::User);
  EXPECT_FALSE(QApplication::sendEvent(&ole, &event));
  QApplication::sendEvent(&abort, &event);
  QApplication::sendEvent(&foreign, &event);
  QApplication::postEvent(&ole, new QEvent(QEvent::User));
  Shell().DrainPendingEvents();

  const auto& boxes = recorder.Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].kind, BoxKind::kCommandError);
  EXPECT_EQ(boxes[0].caption, "app_test");
  // A quotation mark is below the full stop: no full stop is added.
  EXPECT_EQ(boxes[0].text, "Could not find file 'attrdata.mdb'");
  EXPECT_EQ(boxes[1].kind, BoxKind::kCommandError);
  EXPECT_EQ(boxes[1].caption, "Application Error");
  EXPECT_TRUE(boxes[1].text.startsWith(
      "Exception EAccessViolation in module app_test at "))
      << boxes[1].text.toStdString();
  EXPECT_TRUE(boxes[1].text.endsWith(".\n"));
  EXPECT_EQ(boxes[2].text, boxes[0].text);
  EXPECT_FALSE(Shell().StopRequested());
}

TEST(Shell, GuardedHandlersReportChineseMessagesWithFullStop) {
  BoxRecorder recorder;
  Guarded([] { base::RaiseDatabaseError("ADOQuery1: \xb4\xed\xce\xf3"); });
  Guarded([] { base::RaiseException("Stop!"); });
  ASSERT_EQ(recorder.Boxes().size(), 2u);
  EXPECT_EQ(recorder.Boxes()[0].text, QString::fromUtf8("ADOQuery1: 错误."));
  EXPECT_EQ(recorder.Boxes()[1].text, "Stop!");
}

TEST(Shell, FatalReportIsCaptionedApplicationError) {
  BoxRecorder recorder;
  try {
    base::RaiseException("Error creating object.  Please verify");
  } catch (...) {
    Shell().ReportCurrentFatalError();
  }
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].kind, BoxKind::kFatalError);
  EXPECT_EQ(recorder.Boxes()[0].caption, "Application Error");
  EXPECT_TRUE(recorder.Boxes()[0].text.endsWith(
      "\nError creating object.  Please verify."));
}

TEST(Shell, FatalReportGoesToStandardErrorWhereNoWindowCanBeSeen) {
  ::testing::internal::CaptureStderr();
  try {
    base::RaiseException("Stop!");
  } catch (...) {
    Shell().ReportCurrentFatalError();  // offscreen: nothing can be seen
  }
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(written.rfind("Application Error\nException Exception in module "
                          "app_test at ", 0),
            0u)
      << written;
  EXPECT_EQ(written.substr(written.size() - 8), "\nStop!.\n");
}

TEST(Shell, BoxesShowMarkupLiterally) {
  const QString text = QString::fromUtf8("Could not find file '/home/x<b>y</b>/用户文档'.");
  QString shown;
  Qt::TextFormat format = Qt::AutoText;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    shown = box->text();
    format = box->textFormat();
    QTest::keyClick(box, Qt::Key_Return);
  });
  ShowErrorBox("app_test", text);
  EXPECT_EQ(shown, text);
  EXPECT_EQ(format, Qt::PlainText);

  const TMessageForm notice("app_test", "<b>1380013</b>", nullptr);
  EXPECT_EQ(notice.Message()->textFormat(), Qt::PlainText);
  EXPECT_EQ(notice.Message()->text(), "<b>1380013</b>");
}

TEST(Shell, NoticeThroughTheHookIsCaptionedWithTheTitle) {
  BoxRecorder recorder;
  Shell().ShowNotice("x");
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_EQ(recorder.Boxes()[0].kind, BoxKind::kNotice);
  EXPECT_EQ(recorder.Boxes()[0].caption, "app_test");
}

TEST(Shell, NoticeBoxClosesWithEnterAndWithEscape) {
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    SeenBox seen = NoticeClosedBy(key);
    EXPECT_EQ(seen.caption, "app_test");
    EXPECT_EQ(seen.text, QString::fromUtf8("号段生成完毕"));
    EXPECT_EQ(seen.button, "OK");
    EXPECT_TRUE(seen.modal);
    EXPECT_TRUE(seen.ok_default);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  }
}

TEST(Shell, NoticeTextWrapsWithinHalfTheScreen) {
  const QString words = QString("lookup ").repeated(200);
  TMessageForm box("t", words, nullptr);
  const int half = QApplication::primaryScreen()->availableGeometry().width() / 2;
  EXPECT_LE(box.Message()->width(), half);
  EXPECT_GT(box.Message()->height(), 3 * box.fontMetrics().height());
  EXPECT_EQ(box.minimumSize(), box.maximumSize());
}

TEST(Shell, DrainHandlesWhatIsWaitingAndReturns) {
  int runs = 0;
  QTimer::singleShot(0, [&] { ++runs; });
  Raiser counter([&] { ++runs; });
  QApplication::postEvent(&counter, new QEvent(QEvent::User));
  Shell().DrainPendingEvents();
  EXPECT_EQ(runs, 2);
  Shell().DrainPendingEvents();
  EXPECT_EQ(runs, 2);
}

TEST(Shell, FormActivateRunsOnceAtTheFirstActivationOnly) {
  std::optional<BoxRecorder> recorder;
  recorder.emplace();
  auto form = std::make_unique<ProbeForm>();
  ProbeForm* probe = form.get();
  Shell().SetMainWindow(std::move(form));
  EXPECT_EQ(probe->activations, 0);
  Shell().ShowMainWindow();
  EXPECT_EQ(probe->activations, 1);
  ASSERT_TRUE(QTest::qWaitForWindowActive(probe));

  recorder.reset();  // the real notice box, which blocks the main window
  NoticeClosedBy(Qt::Key_Return,
                 [&] {
                   QTest::mouseClick(probe->windowHandle(), Qt::LeftButton, {},
                                     probe->Button2->mapTo(probe, QPoint(5, 5)));
                 });
  EXPECT_EQ(probe->button2_clicks, 0);
  QTest::mouseClick(probe->windowHandle(), Qt::LeftButton, {},
                    probe->Button2->mapTo(probe, QPoint(5, 5)));
  EXPECT_EQ(probe->button2_clicks, 1);  // the same click once the box is gone
  recorder.emplace();
  Guarded([] { base::RaiseException("x"); });

  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  probe->showMinimized();
  probe->showNormal();
  probe->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(probe));
  EXPECT_EQ(probe->activations, 1);
  EXPECT_EQ(Shell().FocusOwner(), probe);
  Shell().SetMainWindow(nullptr);
}

TEST(Shell, MissingDatabaseReportsTwiceAndTheWindowStaysOpen) {
  testing_support::ScratchDir folder;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  BoxRecorder recorder;
  auto form = std::make_unique<ProbeForm>(1.0, /*query_on_activate=*/true);
  ProbeForm* probe = form.get();
  Form1 = probe;
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  Shell().SetMainWindow(std::move(form));
  Shell().ShowMainWindow();
  std::filesystem::current_path(previous);

  const auto& boxes = recorder.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  for (const RecordedBox& box : boxes) {
    EXPECT_EQ(box.kind, BoxKind::kCommandError);
    EXPECT_EQ(box.caption, "app_test");
    EXPECT_FALSE(box.text.isEmpty());
  }
  EXPECT_FALSE(boxes[0].main_window_visible);
  EXPECT_TRUE(boxes[1].main_window_visible);
  EXPECT_FALSE(probe->ADOConnection1->Connected());
  EXPECT_EQ(probe->ComboBox1->count(), 0);
  EXPECT_TRUE(probe->isVisible());
  EXPECT_FALSE(Shell().StopRequested());
  Shell().SetMainWindow(nullptr);
  EXPECT_EQ(Form1, nullptr);
}

// The database put in place after a failed start: ours, or the shared
// fixture (skipped without it).
class OnceTheFileIsInPlace : public ::testing::TestWithParam<bool> {};

TEST_P(OnceTheFileIsInPlace, TheNextCommandWorks) {
  const bool shared = GetParam();
  std::filesystem::path fixture;
  if (shared) {
    auto found = testing_support::FixturePath("attrdata-small.mdb");
    if (!found) GTEST_SKIP() << "shared fixture absent: attrdata-small.mdb";
    fixture = *found;
  }
  testing_support::ScratchDir folder;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  BoxRecorder recorder;
  ProbeForm form(1.0, /*query_on_activate=*/true);
  ASSERT_EQ(recorder.Boxes().size(), 1u);
  if (shared) {
    folder.CopyIn(fixture, "attrdata.mdb");
  } else {
    testing_support::WriteAttributionDatabase(folder.path() / "attrdata.mdb",
                                              testing_support::DemoAttribution());
  }
  Guarded([&] { form.FormActivate(); });
  std::filesystem::current_path(previous);
  EXPECT_EQ(recorder.Boxes().size(), 1u);
  EXPECT_TRUE(form.ADOConnection1->Connected());
  if (shared) {
    EXPECT_GT(form.ADOQuery1->RowCount(), 0);
  } else {
    EXPECT_EQ(form.ADOQuery1->RowCount(), 7);
  }
}

INSTANTIATE_TEST_SUITE_P(Shell, OnceTheFileIsInPlace, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "SharedFixture" : "Ours"; });

// Closes each box the shell shows with Enter once the box is active, as a
// user would (one that never becomes active a little later all the same).
class BoxCloser {
 public:
  BoxCloser() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* box = QApplication::activeModalWidget();
      if (box == nullptr || (!box->isActiveWindow() && ++waited_ < 200)) return;
      waited_ = 0;
      ++closed_;
      QTest::keyClick(box, Qt::Key_Return);
    });
    timer_.start(10);
  }
  int Closed() const { return closed_; }

 private:
  QTimer timer_;
  int waited_ = 0;
  int closed_ = 0;
};

struct BoxCase {
  const char* name;
  bool query_on_activate;  // no database: the first activation raises
  void (*show_box)();      // once the window is up and active; or none
};
void PrintTo(const BoxCase& c, std::ostream* out) { *out << c.name; }

class MainWindowAfterABox : public ::testing::TestWithParam<BoxCase> {};

// A plain X server leaves the keyboard focus on the root window when a box
// hides, so the shell has to give the activation back itself.
TEST_P(MainWindowAfterABox, IsTheActiveWindowAgain) {
  testing_support::ScratchDir folder;  // no database: a box while building
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  BoxCloser closer;
  auto form = std::make_unique<ProbeForm>(1.0, GetParam().query_on_activate);
  ProbeForm* probe = form.get();
  Shell().SetMainWindow(std::move(form));
  Shell().ShowMainWindow();
  std::filesystem::current_path(previous);
  if (GetParam().show_box != nullptr) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(probe));
    GetParam().show_box();
  }
  EXPECT_EQ(closer.Closed(), 2);
  EXPECT_TRUE(QTest::qWaitForWindowActive(probe));
  QWidget* focused = QApplication::focusWidget();
  EXPECT_EQ(focused != nullptr ? focused->window() : nullptr, probe);
  Shell().SetMainWindow(nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Shell, MainWindowAfterABox,
    ::testing::Values(BoxCase{"Notice", false, [] { Shell().ShowNotice("x"); }},
                      BoxCase{"CommandError", false,
                              [] { Guarded([] { base::RaiseException("x"); }); }},
                      BoxCase{"StartUpWithoutDatabase", true, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// A window whose Button2 closes it and drains the queue, as a long command
// that lets events through would; it notes whether it ran on to its end.
class DrainingForm : public ProbeForm {
 public:
  void Button2Click() override {
    close();
    TApplication::Instance()->DrainPendingEvents();
    ran_to_end = TApplication::Instance()->StopRequested();
  }
  static inline bool ran_to_end = false;
};

TEST(ShellDeathTest, CloseHandledInsideADrainEndsTheLoopAfterTheCommand) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        BoxRecorder recorder;
        Shell().SetMainWindow(std::make_unique<DrainingForm>());
        QTimer::singleShot(0, [] {
          auto* form = static_cast<DrainingForm*>(Shell().MainWindow());
          QTest::mouseClick(form->Button2, Qt::LeftButton);
          std::fprintf(stderr, "visible after close: %d\n", form->isVisible());
        });
        const int code = Shell().Run();
        std::exit(code == 0 && DrainingForm::ran_to_end ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "visible after close: 1");
}

}  // namespace
}  // namespace app
