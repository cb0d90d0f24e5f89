// The window tests' main: one TApplication on Qt's offscreen platform for
// the whole run, then the tests; also the shared test support.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "app/qt/application.h"
#include "app/qt/combo_box.h"
#include "app/qt/gbk_text.h"
#include "app/qt/test_support.h"

namespace app {

BoxRecorder::BoxRecorder() {
  SetBoxHook([this](BoxKind kind, const QString& caption, const QString& text) {
    const bool visible = Form1 != nullptr && Form1->isVisible();
    boxes_.push_back({kind, caption, text, visible});
  });
}

BoxRecorder::~BoxRecorder() { SetBoxHook(nullptr); }

void ProbeForm::ComboBox1Change() {
  combo1_texts.push_back(GbkToQString(Controls().ComboBox1.Text()));
}

void ProbeForm::FormActivate() {
  ++activations;
  if (!query_on_activate_) return;
  ADOQuery1->Close();
  ADOQuery1->SQL().Clear();
  ADOQuery1->SQL().Add("select distinct sheng from city");
  ADOQuery1->Open();
}

}  // namespace app

// Leak check suppressions of the sanitizer build: fontconfig keeps its
// caches for the life of the process, and a test child that ends through
// exit() never frees them.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  app::TApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
