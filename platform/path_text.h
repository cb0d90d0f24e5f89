// Paths as UTF-8 text. The program's text is UTF-8 everywhere (arguments,
// messages), but a narrow string turned into a path, or a path turned into
// one, means the ANSI code page on Windows: a folder named in Chinese would
// not be found, and its name would print garbled or not at all. These two
// convert through UTF-8 on every system.
#ifndef PLATFORM_PATH_TEXT_H_
#define PLATFORM_PATH_TEXT_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The path whose name is the UTF-8 text `utf8`.
std::filesystem::path PathFromUtf8(std::string_view utf8);

// The name of `path` as UTF-8 text, for messages and output.
std::string Utf8Of(const std::filesystem::path& path);

}  // namespace platform

#endif  // PLATFORM_PATH_TEXT_H_
