// TComboBox: an editable drop-down list whose change signal reports the
// user's edits and picks only, never changes made by the program.
#ifndef APP_QT_COMBO_BOX_H_
#define APP_QT_COMBO_BOX_H_

#include <QComboBox>
#include <QString>

namespace app {

class TComboBox : public QComboBox {
  Q_OBJECT

 public:
  // Editable, unsorted, no completion, never adds the typed text as an
  // item, at most 8 items shown when dropped.
  explicit TComboBox(QWidget* parent);

  // Drops the list down; an empty list too, one row tall, where Qt shows
  // nothing at all.
  void showPopup() override;

  // Replaces the text; does not signal Changed.
  void SetTextQuietly(const QString& text);
  // Empties the list, keeping the text; does not signal Changed.
  void ClearItemsKeepText();
  // Appends `item` at the end of the list, keeping the text; does not
  // signal Changed.
  void AddItemKeepText(const QString& item);

 signals:
  // Once per change of the text by the user (typing, deleting, pasting) and
  // once per pick of an item from the list, after the text is set to it,
  // also when the picked item's text equals the text already shown.
  void Changed();

 protected:
  // Notes the count of text changes as each user event begins, so that a
  // pick can tell whether it changed the text.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TextChanged();
  void Picked();
  // The height of one row of the dropped list in its font and style.
  int ListRowHeight() const;

  int quiet_depth_ = 0;
  // User changes of the text so far, and their count when the current
  // mouse, key or wheel event began.
  unsigned changes_ = 0;
  unsigned changes_at_event_ = 0;
};

}  // namespace app

#endif  // APP_QT_COMBO_BOX_H_
