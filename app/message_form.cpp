// Layout of the notice box: margins of the text's line height, the button
// centred below the text.
#include "app/message_form.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>

namespace app {
namespace {

constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

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
  const int margin = metrics.height();
  const QRect text_rect = metrics.boundingRect(
      QRect(0, 0, std::max(area.width() / 2, 1), 100000),
      Qt::TextWordWrap | Qt::TextExpandTabs, text);

  message_ = new QLabel(text, this);
  message_->setObjectName("Message");
  message_->setWordWrap(true);
  message_->setTextFormat(Qt::PlainText);
  message_->setGeometry(margin, margin, text_rect.width(), text_rect.height());

  ok_button_ = new QPushButton("OK", this);
  ok_button_->setObjectName("OK");
  ok_button_->setDefault(true);
  ok_button_->setAutoDefault(true);
  connect(ok_button_, &QPushButton::clicked, this, &QDialog::accept);

  const int width =
      std::max(text_rect.width(), kButtonWidth) + 2 * margin;
  const int button_top = margin + text_rect.height() + margin;
  ok_button_->setGeometry((width - kButtonWidth) / 2, button_top, kButtonWidth,
                          kButtonHeight);
  setFixedSize(width, button_top + kButtonHeight + margin);
  move(area.center() - rect().center());
}

}  // namespace app
