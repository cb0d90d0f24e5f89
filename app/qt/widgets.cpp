// Painting and focus behaviour of the simpler controls.
#include "app/qt/widgets.h"

#include <QFocusEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/memo_lines.h"

namespace app {

TPanel::TPanel(const QString& caption, QWidget* parent)
    : QFrame(parent), caption_(caption) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
}

void TPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  painter.drawText(rect(), Qt::AlignCenter, caption_);
}

TImage::TImage(const QPixmap& picture, Mode mode, QWidget* parent)
    : QWidget(parent), picture_(picture), mode_(mode) {
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);
}

void TImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (mode_ == Mode::kStretch) {
    painter.drawPixmap(rect(), picture_);
  } else {
    painter.drawPixmap(0, 0, picture_);
  }
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {}

void TEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  switch (event->reason()) {
    case Qt::MouseFocusReason:
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
      break;
    default:
      selectAll();
  }
}

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTabChangesFocus(true);
}

QString TMemo::TextCrLf() const {
  QString text = toPlainText();
  text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return text;
}

void TMemo::ClearLines() { clear(); }

bool TMemo::EndsInOpenLine() const { return !document()->lastBlock().text().isEmpty(); }

void TMemo::AppendText(const QString& text) {
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
}

void TMemo::AddLine(const QString& line) {
  const bool open_line = EndsInOpenLine();
  QTextCursor cursor(document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(ui::LineToAppend(open_line, line, QStringLiteral("\n")));
}

}  // namespace app
