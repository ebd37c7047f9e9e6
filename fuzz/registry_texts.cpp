// Fuzz target: the texts the placement store reads back from the registry,
// through word splitting, integer parsing and the other text rules.
//
// The input is a fallback value (four bytes, little-endian) and then raw
// registry string data (any bytes, with or without a terminating zero); the text read from it is then split into position
// words and each word parsed as a stored integer, as the store does.
// Parsing must never yield garbage: either the fallback comes back, or the
// value is the one an independent reading of the text gives and its decimal
// text reads back as the same value.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ByteReader.h"
#include "placement/PlacementText.h"

namespace {

using namespace varnholt;

[[noreturn]] void Broken(const char* what, int line) {
  std::fprintf(stderr, "registry_texts: invariant broken at line %d: %s\n", line, what);
  std::abort();
}
#define EXPECT(condition) \
  do {                    \
    if (!(condition)) Broken(#condition, __LINE__); \
  } while (0)

bool IsSeparator(char c) { return c == ' ' || c == ','; }

// The words of a position text, split the plain way.
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsSeparator(text[i])) {
      ++i;
      continue;
    }
    const std::size_t begin = i;
    while (i < text.size() && !IsSeparator(text[i])) ++i;
    words.push_back(text.substr(begin, i - begin));
  }
  return words;
}

// The stored-integer grammar read independently: blanks, sign, "$" / "0x" /
// "0X" or nothing, digits of the base, blanks; the magnitude in 128 bits so
// that the range check is exact.
std::optional<std::int32_t> ReferenceInteger(std::string_view text) {
  std::size_t b = text.find_first_not_of(" \t");
  if (b == std::string_view::npos) return std::nullopt;
  const std::size_t e = text.find_last_not_of(" \t") + 1;
  std::string_view t = text.substr(b, e - b);
  bool negative = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    negative = t[0] == '-';
    t.remove_prefix(1);
  }
  int base = 10;
  if (!t.empty() && t[0] == '$') {
    base = 16;
    t.remove_prefix(1);
  } else if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    base = 16;
    t.remove_prefix(2);
  }
  if (t.empty()) return std::nullopt;
  __int128 magnitude = 0;
  for (char c : t) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    magnitude = magnitude * base + digit;
    if (magnitude > (__int128{1} << 40)) return std::nullopt;  // far out of range already
  }
  const __int128 value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

void CheckInteger(std::string_view text, std::int32_t fallback) {
  std::int32_t value = fallback;
  const bool parsed = ParseStoredInteger(text, value);
  const std::optional<std::int32_t> reference = ReferenceInteger(text);
  EXPECT(parsed == reference.has_value());
  if (!parsed) {
    EXPECT(value == fallback);  // untouched
    EXPECT(StoredIntegerOr(text, fallback) == fallback);
    return;
  }
  EXPECT(value == *reference);
  EXPECT(StoredIntegerOr(text, fallback) == value);
  // What the store writes for the value reads back as the value.
  const std::string decimal = IntegerText(value);
  std::int32_t again = ~value;
  EXPECT(ParseStoredInteger(decimal, again) && again == value);
  EXPECT(decimal == std::to_string(value));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnholt::fuzz::ByteReader input(data, size);
  const auto fallback = input.Integer<std::int32_t>();
  const std::vector<std::uint8_t> raw = input.Bytes(input.Remaining());

  // Registry string data: cut at the first zero, or all of it.
  const std::string text = TextFromRegistryData(raw.empty() ? nullptr : raw.data(), raw.size());
  EXPECT(text.find('\0') == std::string::npos);
  EXPECT(text.size() <= raw.size());
  EXPECT(std::string_view(reinterpret_cast<const char*>(raw.data()), text.size()) == text);
  EXPECT(text.size() == raw.size() || raw[text.size()] == 0);

  // Words 1.. as the store asks for them, and one past the last.
  const std::vector<std::string_view> words = Words(text);
  for (int n = -1; n <= static_cast<int>(words.size()) + 1; ++n) {
    const std::string_view word = PlacementWord(text, n);
    if (n >= 1 && n <= static_cast<int>(words.size())) {
      EXPECT(word == words[static_cast<std::size_t>(n - 1)]);
      // A view into the text itself, not a copy that could dangle.
      EXPECT(word.data() >= text.data() && word.data() + word.size() <= text.data() + text.size());
    } else {
      EXPECT(word.empty());
    }
    CheckInteger(word, fallback);
  }
  CheckInteger(text, fallback);

  // Four integers written as a position text come back word by word.
  if (words.size() >= 4) {
    std::int32_t v[4];
    for (int i = 0; i < 4; ++i) v[i] = StoredIntegerOr(words[static_cast<std::size_t>(i)], fallback);
    const std::string position = PositionText(v[0], v[1], v[2], v[3]);
    for (int i = 0; i < 4; ++i) EXPECT(StoredIntegerOr(PlacementWord(position, i + 1), ~v[i]) == v[i]);
    EXPECT(PlacementWord(position, 5).empty());
  }

  // The key path: "Software\" and a base name free of directory and
  // extension, or nothing at all.
  const std::string key = PlacementKeyPath(text, CodePage());
  if (!key.empty()) {
    EXPECT(key.rfind("Software\\", 0) == 0);
    const std::string name = key.substr(9);
    EXPECT(!name.empty());
    EXPECT(name.find_first_of("\\:") == std::string::npos);
    EXPECT(text.find(name) != std::string::npos);
  }

  // Value names compare without regard to the case of ASCII letters.
  const std::string lowered = [&] {
    std::string s = text;
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
  }();
  EXPECT(SameValueName(text, text));
  EXPECT(SameValueName(text, lowered) && SameValueName(lowered, text));
  EXPECT(!SameValueName(text, text + "x"));
  return 0;
}
