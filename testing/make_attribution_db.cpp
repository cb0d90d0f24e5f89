// Writes a demonstration attribution database for the command-line tests:
//   make_attribution_db OUT.mdb [scrambled|plain|mixed|empty] [odd] [narrow=N] [indexes]
// ("empty" makes the three tables without rows).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "testing/attribution_db.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_attribution_db OUT.mdb [options]\n");
    return 2;
  }
  testing_support::DemoOptions options;
  bool empty = false;
  for (int i = 2; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "scrambled") {
      options.heads = testing_support::HeadForm::kScrambled;
    } else if (word == "plain") {
      options.heads = testing_support::HeadForm::kPlain;
    } else if (word == "mixed") {
      options.heads = testing_support::HeadForm::kMixed;
    } else if (word == "empty") {
      empty = true;
    } else if (word == "odd") {
      options.odd_heads = true;
    } else if (word == "indexes") {
      options.schema.indexes = true;
    } else if (word.rfind("narrow=", 0) == 0) {
      options.schema.numhead_size = static_cast<uint16_t>(std::atoi(word.c_str() + 7));
    } else {
      std::fprintf(stderr, "make_attribution_db: unknown option %s\n", word.c_str());
      return 2;
    }
  }
  try {
    testing_support::AttributionData data;
    data.schema = options.schema;
    if (!empty) data = testing_support::DemoAttribution(options);
    testing_support::WriteAttributionDatabase(argv[1], data);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_attribution_db: %s\n", e.what());
    return 1;
  }
  return 0;
}
