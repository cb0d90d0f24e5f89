// Input for the batch subcommands: the arguments, or else standard input one
// item per line.
#ifndef TOOLS_ATTRDB_LINE_INPUT_H_
#define TOOLS_ATTRDB_LINE_INPUT_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace attrdb {

// Calls `each` with every argument, or, when `args` is empty, with every line
// of standard input. A line is every byte up to LF; one CR before the LF is
// dropped. A last line without LF counts when it is not empty.
void ForEachItem(const std::vector<std::string>& args,
                 const std::function<void(std::string_view)>& each);

}  // namespace attrdb

#endif  // TOOLS_ATTRDB_LINE_INPUT_H_
