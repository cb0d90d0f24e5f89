// Support for the window's tests: a recorder of the boxes the shell would
// show, and a main window whose handlers count their runs.
#ifndef APP_QT_TEST_SUPPORT_H_
#define APP_QT_TEST_SUPPORT_H_

#include <QRect>
#include <QString>
#include <QStringList>
#include <ostream>
#include <vector>

#include "app/qt/frmSearch.h"
#include "app/qt/message_boxes.h"

namespace app {

struct RecordedBox {
  BoxKind kind;
  QString caption;
  QString text;
  bool main_window_visible;  // whether Form1 was on screen at the time
};

// Takes every box while it lives, instead of showing it.
class BoxRecorder {
 public:
  BoxRecorder();
  ~BoxRecorder();
  const std::vector<RecordedBox>& Boxes() const { return boxes_; }

 private:
  std::vector<RecordedBox> boxes_;
};

// A main window whose handlers count their runs and remember the text of
// ComboBox1 as the change handler saw it. FormActivate runs the province
// query, as the real command does, so a closed database raises there.
class ProbeForm : public TForm1 {
 public:
  explicit ProbeForm(double scale = 1.0, bool query_on_activate = false)
      : TForm1(scale), query_on_activate_(query_on_activate) {}
  // In `window_font`, at the scale it asks for.
  explicit ProbeForm(const QFont& window_font)
      : TForm1(window_font), query_on_activate_(false) {}
  void Button1Click() override { ++button1_clicks; }
  void Button2Click() override { ++button2_clicks; }
  void Button3Click() override { ++button3_clicks; }
  void ComboBox1Change() override;
  void FormActivate() override;

  int button1_clicks = 0;
  int button2_clicks = 0;
  int button3_clicks = 0;
  int activations = 0;
  QStringList combo1_texts;

 private:
  bool query_on_activate_;
};

}  // namespace app

// Readable values in the tests' failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QRect& r, std::ostream* out) {
  *out << "QRect(" << r.x() << ", " << r.y() << ", " << r.width() << ", "
       << r.height() << ")";
}
inline void PrintTo(const QPoint& p, std::ostream* out) {
  *out << "QPoint(" << p.x() << ", " << p.y() << ")";
}
inline void PrintTo(const QSize& s, std::ostream* out) {
  *out << "QSize(" << s.width() << ", " << s.height() << ")";
}

#endif  // APP_QT_TEST_SUPPORT_H_
