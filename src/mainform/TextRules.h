// The small text rules the contest uses: upper-casing of "a"-"z" only, and
// trimming of every character of code 32 or below at both ends.
#pragma once

#include <string>
#include <string_view>

namespace varnholt {

inline char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline void UpperAsciiInPlace(std::string& text) {
  for (char& c : text) c = UpperAscii(c);
}

inline std::string UpperAsciiCopy(std::string_view text) {
  std::string out(text);
  UpperAsciiInPlace(out);
  return out;
}

inline bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

inline std::string_view Trim(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace varnholt
