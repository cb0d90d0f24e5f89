// Runs files through a fuzz entry without libFuzzer, to reproduce a crash in
// any build: fuzz_replay ENTRY FILE_OR_FOLDER...; fuzz_replay --seeds DIR
// writes every entry's seeds into DIR/<entry>/.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_entries.h"
#include "fuzz/seeds.h"

namespace {

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int WriteSeeds(const std::filesystem::path& folder) {
  for (const fuzz::Entry& entry : fuzz::Entries()) {
    std::filesystem::path dir = folder / entry.name;
    std::filesystem::create_directories(dir);
    int n = 0;
    for (const auto& seed : fuzz::Seeds(entry.name)) {
      std::ofstream out(dir / ("seed-" + std::to_string(n++)), std::ios::binary);
      out.write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
      if (!out) {
        std::fprintf(stderr, "cannot write the seeds into %s\n", dir.c_str());
        return 1;
      }
    }
  }
  return 0;
}

void Replay(const fuzz::Entry& entry, const std::filesystem::path& path) {
  std::vector<uint8_t> bytes = ReadFile(path);
  std::fprintf(stderr, "%s %s (%zu bytes)\n", entry.name, path.c_str(), bytes.size());
  entry.run(bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--seeds") return WriteSeeds(argv[2]);
  const fuzz::Entry* entry = argc >= 3 ? fuzz::FindEntry(argv[1]) : nullptr;
  if (!entry) {
    std::fprintf(stderr, "usage: %s ENTRY FILE_OR_FOLDER... | --seeds DIR\nentries:", argv[0]);
    for (const fuzz::Entry& e : fuzz::Entries()) std::fprintf(stderr, " %s", e.name);
    std::fprintf(stderr, "\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    std::filesystem::path path = argv[i];
    if (std::filesystem::is_directory(path)) {
      for (const auto& item : std::filesystem::directory_iterator(path)) {
        if (item.is_regular_file()) Replay(*entry, item.path());
      }
    } else {
      Replay(*entry, path);
    }
  }
  return 0;
}
