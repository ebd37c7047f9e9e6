#include "mainform/KeyCollation_win.h"

#include <windows.h>

#include "mainform/KeyCollation.h"

#include "common/TextRules.h"

namespace varnholt {

namespace {

bool LocaleEqual(std::string_view a, std::string_view b) {
  if (a.size() > INT_MAX || b.size() > INT_MAX) return false;
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

LocaleKeyCollation::LocaleKeyCollation() {
  // Candidates: the digits, the key separator and the ASCII letters. A
  // letter qualifies only where the locale treats it and its other case as
  // the same and the letter is told apart from every other candidate (a
  // Turkish locale, for one, does not pair i with I).
  std::string candidates = "0123456789|";
  for (char c = 'A'; c <= 'Z'; ++c) candidates += c;
  for (char c = 'a'; c <= 'z'; ++c) candidates += c;
  for (char c : candidates) {
    const char upper = UpperAscii(c);
    bool agrees = LocaleEqual(std::string_view(&c, 1), std::string_view(&upper, 1));
    for (char other : candidates) {
      if (!agrees) break;
      if (UpperAscii(other) != upper && LocaleEqual(std::string_view(&c, 1), std::string_view(&other, 1)))
        agrees = false;
    }
    if (agrees) indexable_.set(static_cast<unsigned char>(c));
  }
}

bool LocaleKeyCollation::Equivalent(std::string_view a, std::string_view b) const {
  return LocaleEqual(a, b);
}

bool LocaleKeyCollation::IndexForm(std::string_view key, std::string& out) const {
  for (char c : key) {
    if (!indexable_.test(static_cast<unsigned char>(c))) return false;
  }
  out.assign(key);
  UpperAsciiInPlace(out);
  return true;
}

const KeyCollation& SystemKeyCollation() {
  static const LocaleKeyCollation collation;
  return collation;
}

}  // namespace varnholt
