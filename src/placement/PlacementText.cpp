#include "placement/PlacementText.h"

#include <algorithm>

#include "common/TextRules.h"

namespace varnholt {

namespace {

bool IsWordSeparator(char c) { return c == ' ' || c == ','; }

// The value of `c` as a digit of `base` (10 or 16), or -1.
int DigitValue(char c, int base) {
  if (IsDigit(c)) return c - '0';
  if (base == 16) {
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  }
  return -1;
}

}  // namespace

std::string PlacementKeyPath(std::string_view executablePath, const CodePage& codePage) {
  std::string_view name = AfterLastSeparator(executablePath, "\\:", codePage);
  name = name.substr(0, FindLastCharacter(name, '.', codePage));
  if (name.empty()) return {};
  return "Software\\" + std::string(name);
}

std::string_view PlacementWord(std::string_view text, int n) {
  std::size_t pos = 0;
  for (int word = 1; pos < text.size(); ++word) {
    while (pos < text.size() && IsWordSeparator(text[pos])) ++pos;
    const std::size_t begin = pos;
    while (pos < text.size() && !IsWordSeparator(text[pos])) ++pos;
    if (pos == begin) break;
    if (word == n) return text.substr(begin, pos - begin);
  }
  return {};
}

bool ParseStoredInteger(std::string_view text, std::int32_t& value) {
  text = TrimWhere(text, IsSpaceOrTab);
  std::size_t begin = 0;
  const std::size_t end = text.size();

  bool negative = false;
  if (begin < end && (text[begin] == '+' || text[begin] == '-')) {
    negative = text[begin] == '-';
    ++begin;
  }
  int base = 10;
  if (begin < end && text[begin] == '$') {
    base = 16;
    ++begin;
  } else if (end - begin >= 2 && text[begin] == '0' && (text[begin + 1] == 'x' || text[begin + 1] == 'X')) {
    base = 16;
    begin += 2;
  }
  if (begin == end) return false;

  // The magnitude may reach 2^31 only when negative; checking after every
  // digit keeps it far below the 64-bit limit.
  const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
  std::int64_t magnitude = 0;
  for (std::size_t i = begin; i < end; ++i) {
    const int digit = DigitValue(text[i], base);
    if (digit < 0) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > limit) return false;
  }
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

std::int32_t StoredIntegerOr(std::string_view text, std::int32_t fallback) {
  std::int32_t value = fallback;
  return ParseStoredInteger(text, value) ? value : fallback;
}

std::string IntegerText(std::int32_t value) { return std::to_string(value); }

std::string PositionText(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  return IntegerText(a) + ',' + IntegerText(b) + ',' + IntegerText(c) + ',' + IntegerText(d);
}

std::string ScreenSuffix(std::int32_t width, std::int32_t height) {
  return '(' + IntegerText(width) + 'x' + IntegerText(height) + ')';
}

WindowState StateFromShowCmd(std::int32_t showCmd) {
  switch (showCmd) {
    case 2:
    case 6:
    case 7:
      return WindowState::Minimised;
    case 3:
      return WindowState::Maximised;
    default:
      return WindowState::Normal;
  }
}

std::string TextFromRegistryData(const unsigned char* data, std::size_t size) {
  if (data == nullptr) return {};
  const unsigned char* const end = std::find(data, data + size, 0);
  return std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(end - data));
}

bool SameValueName(std::string_view a, std::string_view b) { return EqualsIgnoringCase(a, b); }

}  // namespace varnholt
