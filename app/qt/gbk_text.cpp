// Both directions go through the system's one GBK converter in base/.
#include "app/qt/gbk_text.h"

#include "base/gbk.h"

namespace app {

QString GbkToQString(std::string_view gbk) {
  std::u16string utf16 = base::GbkToUtf16(gbk);
  return QString(reinterpret_cast<const QChar*>(utf16.data()),
                 static_cast<qsizetype>(utf16.size()));
}

std::string QStringToGbk(const QString& text) {
  return base::Utf16ToGbk(std::u16string_view(
      reinterpret_cast<const char16_t*>(text.utf16()),
      static_cast<size_t>(text.size())));
}

}  // namespace app
