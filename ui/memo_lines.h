// The memo's rule for adding a line, shared by the renderers and by the
// collecting of lines while the memo is hidden.
#ifndef UI_MEMO_LINES_H_
#define UI_MEMO_LINES_H_

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

}  // namespace ui

#endif  // UI_MEMO_LINES_H_
