// In-memory stand-ins for the window's controls and the shell, recording
// what the commands do to them.
#ifndef COMMANDS_FAKE_CONTROLS_H_
#define COMMANDS_FAKE_CONTROLS_H_

#include <string>
#include <vector>

#include "commands/controls.h"

namespace commands {

class FakeText : public TextControl {
 public:
  std::string Text() const override { return text; }
  void SetText(std::string_view t) override { text = t; ++sets; }
  std::string text;
  int sets = 0;
};

class FakeCombo : public ComboControl {
 public:
  std::string Text() const override { return text; }
  void SetText(std::string_view t) override { text = t; }
  void ClearItems() override { items.clear(); }
  void AddItem(std::string_view item) override { items.emplace_back(item); }
  std::string text;
  std::vector<std::string> items;
};

class FakeMemo : public MemoControl {
 public:
  std::string Text() const override { return text; }
  void ClearLines() override { text.clear(); }
  void AddLine(std::string_view line) override {
    if (text.empty() || text.back() == '\n') {
      text.append(line).append("\r\n");
    } else {
      text.append("\r\n").append(line);
    }
    ++lines_added;
    if (visible || enabled) shown_while_adding = true;
  }
  void SetVisible(bool v) override { visible = v; }
  void SetEnabled(bool e) override { enabled = e; }
  std::string text = "\r\n";
  bool visible = true;
  bool enabled = true;
  int lines_added = 0;
  bool shown_while_adding = false;
};

class FakeShell : public Shell {
 public:
  void ShowNotice(std::string_view text) override { notices.emplace_back(text); }
  void DrainPendingEvents() override { ++drains; }
  std::vector<std::string> notices;
  int drains = 0;
};

}  // namespace commands

#endif  // COMMANDS_FAKE_CONTROLS_H_
