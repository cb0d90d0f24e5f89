// The commands' view of the window's controls: Qt adapters for the control
// interface, converting between GBK and the widgets' text.
#ifndef APP_QT_CONTROL_ADAPTERS_H_
#define APP_QT_CONTROL_ADAPTERS_H_

#include <string>
#include <string_view>

#include <QString>

#include "commands/controls.h"
#include "ui/memo_lines.h"

class QLineEdit;

namespace app {

class TComboBox;
class TMemo;

// An edit box.
class EditAdapter : public commands::TextControl {
 public:
  explicit EditAdapter(QLineEdit* edit) : edit_(edit) {}
  std::string Text() const override;
  void SetText(std::string_view text) override;

 private:
  QLineEdit* edit_;
};

// A combo box; no operation runs its change handler.
class ComboAdapter : public commands::ComboControl {
 public:
  explicit ComboAdapter(TComboBox* combo) : combo_(combo) {}
  std::string Text() const override;
  void SetText(std::string_view text) override;
  void ClearItems() override;
  // Raises Exception "Unable to insert a line" when the list does not grow.
  void AddItem(std::string_view item) override;

 private:
  TComboBox* combo_;
};

// The memo; its text is seen with CR LF line breaks. Lines added while it is
// hidden are collected and handed to the widget at once when it is shown
// again (or its text is read), so a long listing costs one layout.
class MemoAdapter : public commands::MemoControl {
 public:
  explicit MemoAdapter(TMemo* memo) : memo_(memo) {}
  std::string Text() const override;
  void ClearLines() override;
  void AddLine(std::string_view line) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;

 private:
  // Hands the collected lines to the widget.
  void Flush() const;

  TMemo* memo_;
  bool collecting_ = false;
  mutable ui::PendingLines<QString> pending_{QStringLiteral("\n")};
};

// The controls the commands use, named after their widgets.
struct FormControls {
  EditAdapter Edit1, Edit2, Edit3, Edit4, Edit5, Edit6;
  ComboAdapter ComboBox1, ComboBox2;
  MemoAdapter Memo1;
};

}  // namespace app

#endif  // APP_QT_CONTROL_ADAPTERS_H_
