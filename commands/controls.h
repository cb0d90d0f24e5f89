// The narrow view the commands have of the window's controls and of the
// shell's services, so that they run against a real database without a
// window. All text is GBK.
#ifndef COMMANDS_CONTROLS_H_
#define COMMANDS_CONTROLS_H_

#include <string>
#include <string_view>

namespace commands {

// An edit box, or the text field of a combo box.
class TextControl {
 public:
  virtual ~TextControl() = default;
  virtual std::string Text() const = 0;
  // Replaces the whole text. Never runs a change handler.
  virtual void SetText(std::string_view text) = 0;
};

// An editable drop-down list.
class ComboControl : public TextControl {
 public:
  // Empties the list; the text field keeps its content.
  virtual void ClearItems() = 0;
  // Appends an item; the text field is untouched.
  // Raises Exception "Unable to insert a line" when the platform refuses.
  virtual void AddItem(std::string_view item) = 0;
};

// The result memo.
class MemoControl {
 public:
  virtual ~MemoControl() = default;
  virtual std::string Text() const = 0;
  // Empties the text.
  virtual void ClearLines() = 0;
  // Appends `line` + CR LF when the text is empty or ends in a line break,
  // else CR LF + `line`.
  virtual void AddLine(std::string_view line) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

// What the shell offers the commands.
class Shell {
 public:
  virtual ~Shell() = default;
  // A modal notice; returns when the user has closed it.
  virtual void ShowNotice(std::string_view text) = 0;
  // Handles every waiting event, then returns.
  virtual void DrainPendingEvents() = 0;
  // Disables (false) or enables again (true) the controls that start the
  // other commands, while the bulk encoding lets events through.
  virtual void SetCommandsEnabled(bool /*enabled*/) {}
};

}  // namespace commands

#endif  // COMMANDS_CONTROLS_H_
