// Title derivation over GBK bytes, walking double-byte characters as units.
#include "app/application_title.h"

#include "base/gbk.h"

namespace app {
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

std::string DeriveApplicationTitle(std::string_view path, char separator) {
  path = path.substr(0, kMaxProgramPathBytes);

  size_t name_start = 0;
  for (size_t i = 0; i < path.size(); i += CharLength(path, i)) {
    if (path[i] == separator) name_start = i + 1;
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

}  // namespace app
