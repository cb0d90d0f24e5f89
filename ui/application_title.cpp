// Title derivation over GBK bytes, walking double-byte characters as units.
#include "ui/application_title.h"

#include "base/gbk.h"
#include "base/utf.h"
#include "platform/module_address.h"

namespace ui {
namespace {

// Length in bytes of the character that starts at `i`.
size_t CharLength(std::string_view text, size_t i) {
  if (base::IsGbkLeadByte(static_cast<unsigned char>(text[i])) &&
      i + 1 < text.size()) {
    return 2;
  }
  return 1;
}

}  // namespace

std::string DeriveApplicationTitle(std::string_view path, std::string_view separators) {
  path = path.substr(0, kMaxProgramPathBytes);

  size_t name_start = 0;
  for (size_t i = 0; i < path.size(); i += CharLength(path, i)) {
    if (separators.find(path[i]) != std::string_view::npos) name_start = i + 1;
  }
  std::string_view name = path.substr(name_start);
  for (size_t i = 0; i < name.size(); i += CharLength(name, i)) {
    if (name[i] == '.') {
      name = name.substr(0, i);
      break;
    }
  }

  std::string title(name);
  size_t i = title.empty() ? 0 : CharLength(title, 0);
  while (i < title.size()) {
    size_t length = CharLength(title, i);
    if (length == 1 && title[i] >= 'A' && title[i] <= 'Z') {
      title[i] = static_cast<char>(title[i] - 'A' + 'a');
    }
    i += length;
  }
  return title;
}

std::string ThisProgramsTitle() {
  const std::string path = base::Utf16ToGbk(base::Utf8ToUtf16(platform::ProgramFilePathUtf8()));
  return DeriveApplicationTitle(path, platform::kPathSeparators);
}

}  // namespace ui
