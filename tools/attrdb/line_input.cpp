// Reading items from the arguments or from standard input.
#include "tools/attrdb/line_input.h"

#include <cstdio>

namespace attrdb {

void ForEachItem(const std::vector<std::string>& args,
                 const std::function<void(std::string_view)>& each) {
  if (!args.empty()) {
    for (const std::string& arg : args) each(arg);
    return;
  }
  std::string line;
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    for (size_t i = 0; i < n; ++i) {
      if (buffer[i] != '\n') {
        line.push_back(buffer[i]);
        continue;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      each(line);
      line.clear();
    }
  }
  if (!line.empty()) {
    if (line.back() == '\r') line.pop_back();
    each(line);
  }
}

}  // namespace attrdb
