// The boxes the shell shows, and the hook through which tests take them
// instead: while a hook is installed, no box appears and each counts as
// closed at once.
#ifndef APP_QT_MESSAGE_BOXES_H_
#define APP_QT_MESSAGE_BOXES_H_

#include <QString>
#include <functional>

#include "ui/boxes.h"

namespace app {

using ui::BoxKind;

using BoxHook =
    std::function<void(BoxKind kind, const QString& caption, const QString& text)>;

// Installs `hook` for every later box; an empty hook brings the real boxes
// back.
void SetBoxHook(BoxHook hook);

// Hands the box to the installed hook. Returns false, doing nothing, when no
// hook is installed.
bool HandBoxToHook(BoxKind kind, const QString& caption, const QString& text);

// Shows a platform-style error box (stop icon, one OK button) with `caption`
// and `text`, modal to the whole program, and returns when it is closed.
void ShowErrorBox(const QString& caption, const QString& text);

}  // namespace app

#endif  // APP_QT_MESSAGE_BOXES_H_
