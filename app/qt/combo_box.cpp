// Every change the program makes runs with the quiet counter raised; any
// other change of the text field is the user's.
#include "app/qt/combo_box.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFrame>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionViewItem>

#include "ui/form.h"

namespace app {
namespace {

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
  setMaxVisibleItems(ui::kComboVisibleItems);
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

void TComboBox::showPopup() {
  if (count() > 0) {
    QComboBox::showPopup();
    return;
  }
  // Placed as Qt places a list: below the box, or above it when the screen
  // has no room below.
  QAbstractItemView* list = view();
  QWidget* popup = list->window();
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QRect box = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                            QStyle::SC_ComboBoxListBoxPopup, this);
  const auto* frame = qobject_cast<const QFrame*>(popup);
  const int frames = 2 * ((frame != nullptr ? frame->frameWidth() : 0) + list->frameWidth());
  const QSize size(box.width(), ui::kComboLeastVisibleItems * ListRowHeight() + frames);
  QPoint top_left = mapToGlobal(box.bottomLeft());
  const QScreen* shown_on = screen();
  if (shown_on != nullptr &&
      top_left.y() + size.height() > shown_on->availableGeometry().bottom()) {
    top_left = mapToGlobal(box.topLeft()) - QPoint(0, size.height());
  }
  popup->setGeometry(QRect(top_left, size));
  popup->show();
  list->setFocus();
}

int TComboBox::ListRowHeight() const {
  // As the list's item delegate sizes a row of text.
  QAbstractItemView* list = view();
  QStyleOptionViewItem option;
  option.initFrom(list);
  option.font = list->font();
  option.fontMetrics = QFontMetrics(option.font);
  option.features = QStyleOptionViewItem::HasDisplay;
  option.text = QStringLiteral("X");
  return list->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), list)
      .height();
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
