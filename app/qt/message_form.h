// TMessageForm: the program's own notice box. Caption, wrapped text, one
// "OK" button that is both default and cancel; no icon, fixed size.
#ifndef APP_QT_MESSAGE_FORM_H_
#define APP_QT_MESSAGE_FORM_H_

#include <QDialog>

#include "app/qt/activation.h"

class QLabel;
class QPushButton;

namespace app {

class TMessageForm : public QDialog, public ActivationTarget {
  Q_OBJECT

 public:
  // Builds the box for `text` under `caption`, sized to the text wrapped at
  // word boundaries to at most half the width of the screen that shows
  // `near` (the primary screen when null), and centred on that screen.
  TMessageForm(const QString& caption, const QString& text, QWidget* near);

  // The notice box has no activation handler of its own.
  void Activated() override {}

  // Whether the box was the active window as it was last hidden (once it
  // is hidden, the activation has moved on and asking then tells nothing).
  bool ActiveWhenHidden() const { return active_when_hidden_; }
  void setVisible(bool visible) override;

  QLabel* Message() const { return message_; }
  QPushButton* OkButton() const { return ok_button_; }

 private:
  QLabel* message_;
  QPushButton* ok_button_;
  bool active_when_hidden_ = false;
};

}  // namespace app

#endif  // APP_QT_MESSAGE_FORM_H_
