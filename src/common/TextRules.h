// The small text rules that the contest rules, the log readers, the check
// list and the placement store share. Every rule is ASCII: a byte from 128
// up is never a letter, a digit or a blank.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }

// The number `digits` writes in decimal digits alone, at most nine of them
// (so that it fits an int); nothing for anything else, the empty text too.
inline std::optional<int> DecimalNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 9) return std::nullopt;
  int value = 0;
  for (const char c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// Upper-casing of "a"-"z" only.
inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline void UpperAsciiInPlace(std::string& text) {
  for (char& c : text) c = UpperAscii(c);
}

inline std::string UpperAsciiCopy(std::string_view text) {
  std::string out(text);
  UpperAsciiInPlace(out);
  return out;
}

// Equal when "a"-"z" and "A"-"Z" are taken as the same letter.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

// What counts as blank differs from reader to reader, and each keeps its own:
// - the contest's trimming (the rules, the report, ADIF): every character of
//   code 32 or below;
inline bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }
// - C's white space (the country file, the check list, call signs, Cabrillo's
//   lines): space, tab, CR, LF, vertical tab and form feed;
inline bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
// - the placement store's stored numbers: space and tab only.
inline bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// `text` without the characters `blank` takes at both ends.
template <typename Blank>
std::string_view TrimWhere(std::string_view text, Blank blank) {
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

inline std::string_view Trim(std::string_view text) { return TrimWhere(text, IsTrimmed); }
inline std::string_view TrimSpace(std::string_view text) { return TrimWhere(text, IsSpace); }

}  // namespace varnholt
