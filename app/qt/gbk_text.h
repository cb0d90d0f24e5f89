// Conversion between the system's GBK text and the QString the widgets hold.
#ifndef APP_QT_GBK_TEXT_H_
#define APP_QT_GBK_TEXT_H_

#include <QString>
#include <string>
#include <string_view>

namespace app {

// GBK bytes to a QString (invalid bytes become "?").
QString GbkToQString(std::string_view gbk);

// A QString to GBK bytes (characters GBK cannot hold become "?").
std::string QStringToGbk(const QString& text);

}  // namespace app

#endif  // APP_QT_GBK_TEXT_H_
