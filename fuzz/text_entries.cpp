// The small text conversions: the parameter-marker scan, TextToInteger and
// the digit-triplet codec, each checked against what its contract promises.
#include <algorithm>
#include <optional>
#include <string>

#include "base/exceptions.h"
#include "base/text_to_integer.h"
#include "codec/number_head.h"
#include "db/parameter_scan.h"
#include "fuzz/fuzz_entries.h"

namespace fuzz {
namespace {

std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The value the contract of TextToInteger gives `text`, worked out
// independently of it: with 64-bit arithmetic and digit by digit checks.
std::optional<int32_t> ExpectedInteger(std::string_view text) {
  size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return std::nullopt;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  std::string_view rest = text.substr(i);
  std::string_view hex;
  if (rest.starts_with("0x") || rest.starts_with("0X")) {
    hex = rest.substr(2);
  } else if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    hex = rest.substr(1);
  } else {
    if (rest.empty() || !std::all_of(rest.begin(), rest.end(), IsDigit)) return std::nullopt;
    size_t first = rest.find_first_not_of('0');
    if (first == std::string_view::npos) return 0;
    if (rest.size() - first > 10) return std::nullopt;
    int64_t magnitude = 0;
    for (char c : rest.substr(first)) magnitude = magnitude * 10 + (c - '0');
    int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
  }
  if (hex.empty() || hex.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : hex) {
    if (HexValue(c) < 0) return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(HexValue(c));
  }
  if (negative) value = ~value + 1;
  return static_cast<int32_t>(value);
}

}  // namespace

void ScanParameterMarkers(const uint8_t* data, size_t size) {
  std::string_view text = AsText(data, size);
  db::ScannedStatement scanned = db::ScanParameters(text);
  // Each marker and each "::" becomes one character, the rest is copied.
  if (scanned.command_text.size() > text.size()) Fail("the command text grew");
  if (scanned.parameters.size() > static_cast<size_t>(std::count(text.begin(), text.end(), ':'))) {
    Fail("more markers than colons");
  }
  for (const std::string& name : scanned.parameters) {
    if (name.size() >= text.size()) Fail("a marker name as long as the text");
  }
  if (text.find(':') == std::string_view::npos && scanned.command_text != text) {
    Fail("text without markers changed");
  }
}

void ConvertInteger(const uint8_t* data, size_t size) {
  std::string_view text = AsText(data, size);
  std::optional<int32_t> tried = base::TryTextToInteger(text);
  if (tried != ExpectedInteger(text)) Fail("TryTextToInteger breaks its contract");
  try {
    int32_t value = base::TextToInteger(text);
    if (!tried || *tried != value) Fail("TextToInteger and TryTextToInteger disagree");
  } catch (const base::EConvertError& e) {
    if (tried) Fail("TextToInteger raised for a valid integer");
    if (e.Message() != "'" + std::string(text) + "' is not a valid integer value") {
      Fail("TextToInteger raised the wrong message");
    }
  }
}

void DecodeDigits(const uint8_t* data, size_t size) {
  std::string_view text = AsText(data, size);
  std::optional<std::string> bytes;
  try {
    bytes = codec::FromDigitTriplets(text);
  } catch (const base::EConvertError&) {
  }
  std::optional<std::string> head;
  try {
    head = codec::DecodeNumberHead(text);
  } catch (const base::EConvertError&) {
  }
  if (bytes.has_value() != head.has_value()) Fail("DecodeNumberHead and FromDigitTriplets disagree");
  if (bytes) {
    if (size % 3 != 0 && !bytes->empty()) Fail("a ragged text gave bytes");
    if (size % 3 == 0 && bytes->size() != size / 3) Fail("not one byte per triplet");
    if (head->size() != bytes->size()) Fail("the head's length differs from the bytes'");
    bool canonical = size % 3 == 0 && size / 3 <= codec::kMaxTripletBytes;
    for (size_t i = 0; canonical && i + 2 < size; i += 3) {
      std::string_view group = text.substr(i, 3);
      canonical = IsDigit(group[0]) && IsDigit(group[1]) && IsDigit(group[2]) && group <= "255";
    }
    if (canonical) {
      if (codec::ToDigitTriplets(*bytes) != text) Fail("digit triplets do not round-trip");
      if (codec::EncodeNumberHead(*head) != text) Fail("number head does not round-trip");
    }
  }
  if (size <= codec::kMaxTripletBytes &&
      codec::DecodeNumberHead(codec::EncodeNumberHead(text)) != text) {
    Fail("EncodeNumberHead then DecodeNumberHead changed the text");
  }
}

}  // namespace fuzz
