// Each adapter forwards to its widget through the GBK conversions.
#include "app/qt/control_adapters.h"

#include <QLineEdit>

#include "app/qt/combo_box.h"
#include "app/qt/gbk_text.h"
#include "app/qt/widgets.h"
#include "base/exceptions.h"
#include "ui/memo_lines.h"

namespace app {

std::string EditAdapter::Text() const { return QStringToGbk(edit_->text()); }

void EditAdapter::SetText(std::string_view text) {
  edit_->setText(GbkToQString(text));
}

std::string ComboAdapter::Text() const {
  return QStringToGbk(combo_->currentText());
}

void ComboAdapter::SetText(std::string_view text) {
  combo_->SetTextQuietly(GbkToQString(text));
}

void ComboAdapter::ClearItems() { combo_->ClearItemsKeepText(); }

void ComboAdapter::AddItem(std::string_view item) {
  const int count = combo_->count();
  combo_->AddItemKeepText(GbkToQString(item));
  if (combo_->count() != count + 1) {
    base::RaiseException("Unable to insert a line");
  }
}

std::string MemoAdapter::Text() const {
  Flush();
  return QStringToGbk(memo_->TextCrLf());
}

void MemoAdapter::ClearLines() {
  pending_.Clear();
  memo_->ClearLines();
}

void MemoAdapter::AddLine(std::string_view line) {
  if (!collecting_) {
    memo_->AddLine(GbkToQString(line));
    return;
  }
  pending_.Add(GbkToQString(line), [this] { return memo_->EndsInOpenLine(); });
}

void MemoAdapter::Flush() const {
  if (pending_.empty()) return;
  memo_->AppendText(pending_.Take());
}

void MemoAdapter::SetVisible(bool visible) {
  if (visible) {
    Flush();
    collecting_ = false;
  } else {
    collecting_ = true;
  }
  memo_->setVisible(visible);
}

void MemoAdapter::SetEnabled(bool enabled) { memo_->setEnabled(enabled); }

}  // namespace app
