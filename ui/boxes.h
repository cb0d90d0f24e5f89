// The shell's boxes as data: which box shows what, under which caption, and
// where the notice box puts its text and its button.
#ifndef UI_BOXES_H_
#define UI_BOXES_H_

#include <string>

#include "ui/caught_error.h"
#include "ui/geometry.h"

namespace ui {

enum class BoxKind {
  kNotice,        // ShowNotice: a modal box captioned with the title
  kCommandError,  // a command's error: plain text, a stop sign, one button
  kFatalError,    // the fatal report
};

// Caption of the fatal report, and of the command report of an error object
// that carries no message.
inline constexpr char kFatalCaption[] = "Application Error";
// The one button of every box.
inline constexpr char kOkText[] = "OK";

// A box to show: its kind, caption and text, both GBK.
struct Box {
  BoxKind kind;
  std::string caption;
  std::string text;
};

// Whether a command's error shows a box at all: an EAbort shows none.
bool ShowsCommandReport(const CaughtError& error);
// The command error report of `error` under the program's `title`.
// REQUIRES: ShowsCommandReport(error).
Box CommandReportBox(const CaughtError& error, const std::string& title);
// The fatal report of `error`.
Box FatalReportBox(const CaughtError& error);

// The notice box's layout: margins of the text's line height, the text
// wrapped at half the screen's width, the 75 by 25 button (at `scale`)
// centred below it.
struct NoticeLayout {
  Rect text;
  Rect button;
  Size client;
};
// Widest the notice text may be on a screen `screen_width` pixels wide.
int NoticeWrapWidth(int screen_width);
// The layout for a text that measured `text` when wrapped at NoticeWrapWidth,
// in a font `line_height` pixels tall, the button at `scale`.
NoticeLayout LayOutNotice(Size text, int line_height, double scale = 1.0);
// Where a box of `size` sits to be centred on `area`.
Point CentredIn(const Rect& area, Size size);

}  // namespace ui

#endif  // UI_BOXES_H_
