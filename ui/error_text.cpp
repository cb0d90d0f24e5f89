// Full-stop rules and the fatal report format.
#include "ui/error_text.h"

#include <cstdio>

namespace ui {

std::string CommandErrorText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') {
    text.push_back('.');
  }
  return text;
}

std::string FatalErrorText(std::string_view class_name,
                           std::string_view module_file, uintptr_t offset,
                           std::string_view message) {
  char address[2 * sizeof(uintptr_t) + 1];
  std::snprintf(address, sizeof address, "%08llX",
                static_cast<unsigned long long>(offset));
  std::string text = "Exception ";
  text.append(class_name);
  text.append(" in module ");
  text.append(module_file);
  text.append(" at ");
  text.append(address);
  text.append(".\n");
  text.append(message);
  if (!message.empty() && message.back() != '.') text.push_back('.');
  if (text.size() > kMaxFatalTextBytes) text.resize(kMaxFatalTextBytes);
  return text;
}

}  // namespace ui
