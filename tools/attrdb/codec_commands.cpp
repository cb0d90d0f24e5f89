// attrdb encode / decode: the number-head codec by hand, for maintainers who
// check a stored head.
#include <cstdio>
#include <string>
#include <vector>

#include "base/exceptions.h"
#include "codec/number_head.h"
#include "tools/attrdb/line_input.h"
#include "tools/attrdb/stream_error.h"
#include "tools/attrdb/report.h"
#include "tools/attrdb/subcommands.h"

namespace attrdb {
namespace {

// Runs `convert` on every item; a failing item is reported on standard error
// and the rest are still processed.
int ConvertEach(const std::vector<std::string>& items,
                std::string (*convert)(std::string_view)) {
  int exit_code = kExitOk;
  ForEachItem(items, [&](std::string_view item) {
    try {
      std::string out = convert(item);
      out.push_back('\n');
      WriteStream(out.data(), out.size(), stdout);
    } catch (const base::Exception& e) {
      ReportError(MessageOf(e));
      exit_code = kExitFailed;
    }
  });
  FlushStream(stdout);
  return exit_code;
}

}  // namespace

void AddCodecCommands(CLI::App& app, int& exit_code) {
  auto heads = std::make_shared<std::vector<std::string>>();
  CLI::App* encode = app.add_subcommand(
      "encode", "Scramble number heads into their stored 21-digit form");
  encode->add_option("HEAD", *heads,
                     "Heads to encode; standard input, one per line, if none");
  encode->callback(
      [heads, &exit_code] { exit_code = ConvertEach(*heads, codec::EncodeNumberHead); });

  auto stored = std::make_shared<std::vector<std::string>>();
  CLI::App* decode = app.add_subcommand(
      "decode", "Turn stored number heads back into plain heads");
  decode->add_option("STORED", *stored,
                     "Stored heads to decode; standard input, one per line, if none");
  decode->callback(
      [stored, &exit_code] { exit_code = ConvertEach(*stored, codec::DecodeNumberHead); });
}

}  // namespace attrdb
