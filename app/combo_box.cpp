// Every change the program makes runs with the quiet counter raised; any
// other change of the text field is the user's.
#include "app/combo_box.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QLineEdit>

namespace app {
namespace {

constexpr int kMaxDroppedItems = 8;

// Raises the quiet counter for the lifetime of the guard.
class QuietScope {
 public:
  explicit QuietScope(int& depth) : depth_(depth) { ++depth_; }
  ~QuietScope() { --depth_; }

 private:
  int& depth_;
};

}  // namespace

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setCompleter(nullptr);
  setDuplicatesEnabled(true);
  setMaxVisibleItems(kMaxDroppedItems);
  connect(lineEdit(), &QLineEdit::textChanged, this, &TComboBox::TextChanged);
  connect(this, &QComboBox::activated, this, &TComboBox::Picked);
  // The list's own filters are installed when view() first makes the popup;
  // ours come later and so see each event first.
  QAbstractItemView* list = view();
  for (QObject* watched : {static_cast<QObject*>(this),
                           static_cast<QObject*>(list),
                           static_cast<QObject*>(list->viewport())}) {
    watched->installEventFilter(this);
  }
}

bool TComboBox::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::Wheel:
      changes_at_event_ = changes_;
      break;
    default:
      break;
  }
  return QComboBox::eventFilter(watched, event);
}

void TComboBox::TextChanged() {
  if (quiet_depth_ != 0) return;
  ++changes_;
  emit Changed();
}

void TComboBox::Picked() {
  // A pick that changed the text has signalled already.
  if (changes_ == changes_at_event_) emit Changed();
}

void TComboBox::SetTextQuietly(const QString& text) {
  QuietScope quiet(quiet_depth_);
  setEditText(text);
}

void TComboBox::ClearItemsKeepText() {
  QuietScope quiet(quiet_depth_);
  const QString text = currentText();
  clear();
  setEditText(text);
}

void TComboBox::AddItemKeepText(const QString& item) {
  QuietScope quiet(quiet_depth_);
  const QString text = currentText();
  const int index = currentIndex();
  addItem(item);
  if (currentIndex() != index) setCurrentIndex(index);
  if (currentText() != text) setEditText(text);
}

}  // namespace app
