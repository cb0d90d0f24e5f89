// Layout of the notice box: margins of the text's line height, the button
// centred below the text.
#include "app/qt/message_form.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "ui/boxes.h"

namespace app {
namespace {

QScreen* ScreenNear(QWidget* near) {
  if (near != nullptr && near->screen() != nullptr) return near->screen();
  return QGuiApplication::primaryScreen();
}

}  // namespace

TMessageForm::TMessageForm(const QString& caption, const QString& text,
                           QWidget* near)
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowSystemMenuHint) {
  setObjectName("MessageForm");
  setWindowTitle(caption);
  setWindowModality(Qt::ApplicationModal);

  QScreen* screen = ScreenNear(near);
  const QRect area = screen != nullptr ? screen->availableGeometry()
                                       : QRect(0, 0, 1024, 768);
  setFont(QApplication::font("QMessageBox"));
  const QFontMetrics metrics(font());
  const QRect text_rect = metrics.boundingRect(
      QRect(0, 0, ui::NoticeWrapWidth(area.width()), 100000),
      Qt::TextWordWrap | Qt::TextExpandTabs, text);
  const ui::NoticeLayout layout =
      ui::LayOutNotice(ui::Size{text_rect.width(), text_rect.height()}, metrics.height());
  auto place = [](QWidget* widget, const ui::Rect& r) {
    widget->setGeometry(r.left, r.top, r.width, r.height);
  };

  message_ = new QLabel(text, this);
  message_->setObjectName("Message");
  message_->setWordWrap(true);
  message_->setTextFormat(Qt::PlainText);
  place(message_, layout.text);

  ok_button_ = new QPushButton(QString::fromUtf8(ui::kOkText), this);
  ok_button_->setObjectName("OK");
  ok_button_->setDefault(true);
  ok_button_->setAutoDefault(true);
  connect(ok_button_, &QPushButton::clicked, this, &QDialog::accept);
  place(ok_button_, layout.button);
  setFixedSize(layout.client.width, layout.client.height);
  move(area.center() - rect().center());
}

void TMessageForm::setVisible(bool visible) {
  if (!visible && isVisible()) active_when_hidden_ = isActiveWindow();
  QDialog::setVisible(visible);
}

}  // namespace app
