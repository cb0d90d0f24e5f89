// The box hook and the platform-style error box.
#include "app/qt/message_boxes.h"

#include <QMessageBox>
#include <utility>

namespace app {
namespace {

BoxHook& InstalledHook() {
  static BoxHook hook;
  return hook;
}

}  // namespace

void SetBoxHook(BoxHook hook) { InstalledHook() = std::move(hook); }

bool HandBoxToHook(BoxKind kind, const QString& caption, const QString& text) {
  if (!InstalledHook()) return false;
  InstalledHook()(kind, caption, text);
  return true;
}

void ShowErrorBox(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
  box.setObjectName("ErrorBox");
  box.setTextFormat(Qt::PlainText);  // paths and stored texts may hold '<'
  box.setWindowModality(Qt::ApplicationModal);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  box.exec();
}

}  // namespace app
