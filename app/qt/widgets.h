// The window's simpler controls, each a Qt widget tuned to the behaviour the
// commands and the user rely on: panels, images, edit boxes and the memo.
#ifndef APP_QT_WIDGETS_H_
#define APP_QT_WIDGETS_H_

#include <QFrame>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QString>

namespace app {

// A panel: one-pixel raised bevel, button-face colour, caption centred
// (covered by the panel's children in this window).
class TPanel : public QFrame {
 public:
  TPanel(const QString& caption, QWidget* parent);
  const QString& Caption() const { return caption_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};

// An opaque image: the bitmap stretched over the whole area, or at its
// natural size in the top-left corner with the parent's colour around it.
class TImage : public QWidget {
 public:
  enum class Mode { kStretch, kNatural };
  TImage(const QPixmap& picture, Mode mode, QWidget* parent);
  const QPixmap& Picture() const { return picture_; }
  Mode DrawMode() const { return mode_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap picture_;
  Mode mode_;
};

// A one-line edit box that selects its whole text when it gets the focus
// other than by a mouse click.
class TEdit : public QLineEdit {
 public:
  explicit TEdit(QWidget* parent);

 protected:
  void focusInEvent(QFocusEvent* event) override;
};

// The memo: word wrap, no scroll bars, Tab moves the focus on. Its text is
// seen by the commands with CR LF line breaks.
class TMemo : public QPlainTextEdit {
 public:
  explicit TMemo(QWidget* parent);
  // The text with every line break written CR LF.
  QString TextCrLf() const;
  // Empties the text.
  void ClearLines();
  // Appends `line` + line break when the text is empty or ends in a line
  // break, else line break + `line`.
  void AddLine(const QString& line);
  // Whether the last line of the text is not yet ended by a line break.
  bool EndsInOpenLine() const;
  // Appends `text` as it is, in one edit.
  void AppendText(const QString& text);
};

}  // namespace app

#endif  // APP_QT_WIDGETS_H_
