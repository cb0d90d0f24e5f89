// Captions, texts and the notice box's arithmetic.
#include "ui/boxes.h"

#include <algorithm>

namespace ui {
namespace {

constexpr Size kButton{75, 25};

}  // namespace

bool ShowsCommandReport(const CaughtError& error) {
  return error.kind != CaughtError::Kind::kAbort;
}

Box CommandReportBox(const CaughtError& error, const std::string& title) {
  // An error object without a message gets the fatal report's text and caption.
  const bool foreign = error.kind == CaughtError::Kind::kOther;
  return Box{BoxKind::kCommandError, foreign ? std::string(kFatalCaption) : title,
             CommandReportText(error)};
}

Box FatalReportBox(const CaughtError& error) {
  return Box{BoxKind::kFatalError, kFatalCaption, FatalReportText(error)};
}

int NoticeWrapWidth(int screen_width) { return std::max(screen_width / 2, 1); }

NoticeLayout LayOutNotice(Size text, int line_height, double scale) {
  const Size button = Scaled(kButton, scale);
  const int margin = line_height;
  const int width = std::max(text.width, button.width) + 2 * margin;
  const int button_top = margin + text.height + margin;
  return NoticeLayout{Rect{margin, margin, text.width, text.height},
                      Rect{(width - button.width) / 2, button_top, button.width, button.height},
                      Size{width, button_top + button.height + margin}};
}

Point CentredIn(const Rect& area, Size size) {
  return Point{area.left + (area.width - size.width) / 2,
               area.top + (area.height - size.height) / 2};
}

}  // namespace ui
