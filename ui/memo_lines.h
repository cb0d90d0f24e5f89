// The memo's rule for adding a line, shared by the renderers and by the
// collecting of lines while the memo is hidden.
#ifndef UI_MEMO_LINES_H_
#define UI_MEMO_LINES_H_

#include <utility>

namespace ui {

// What AddLine appends to a text: `line` followed by the line break when the
// text is empty or ends in a line break; else the break first, then `line`
// (the last line is open and the new one must not join it). `open_line`
// says which; `String` is any string type with operator+.
template <typename String>
String LineToAppend(bool open_line, const String& line, const String& line_break) {
  return open_line ? line_break + line : line + line_break;
}

// Whether a text ending in `last` (the last character, or `none` when the
// text is empty) has an open last line.
template <typename Char>
constexpr bool EndsInOpenLine(bool empty, Char last, Char line_feed) {
  return !empty && last != line_feed;
}

// Lines added while the memo is hidden, collected to be added at once when it
// shows again: each by the AddLine rule, applied to the text as it will be
// (the memo's text followed by the lines collected so far).
template <typename String>
class PendingLines {
 public:
  explicit PendingLines(String line_break) : line_break_(std::move(line_break)) {}

  // Adds `line`; `memo_ends_open()` says whether the memo's own text ends in
  // an open line (asked only while nothing is collected).
  template <typename EndsOpen>
  void Add(const String& line, EndsOpen memo_ends_open) {
    const bool open_line =
        text_.size() == 0 ? memo_ends_open() : text_.back() != line_break_.back();
    text_ += LineToAppend(open_line, line, line_break_);
  }
  bool empty() const { return text_.size() == 0; }
  // The text collected, which is then forgotten.
  String Take() { return std::exchange(text_, String()); }
  void Clear() { text_.clear(); }

 private:
  String line_break_;
  String text_;
};

}  // namespace ui

#endif  // UI_MEMO_LINES_H_
