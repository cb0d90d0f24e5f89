// Each adapter forwards to its widget through the GBK conversions.
#include "app/control_adapters.h"

#include <QLineEdit>

#include "app/combo_box.h"
#include "app/gbk_text.h"
#include "app/widgets.h"
#include "base/exceptions.h"

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
  return QStringToGbk(memo_->TextCrLf());
}

void MemoAdapter::ClearLines() { memo_->ClearLines(); }

void MemoAdapter::AddLine(std::string_view line) {
  memo_->AddLine(GbkToQString(line));
}

void MemoAdapter::SetVisible(bool visible) { memo_->setVisible(visible); }

void MemoAdapter::SetEnabled(bool enabled) { memo_->setEnabled(enabled); }

}  // namespace app
