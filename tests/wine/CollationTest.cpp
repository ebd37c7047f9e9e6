// Multiplier keys under the user locale's case-insensitive comparison: the
// indexed membership test must answer exactly as a scan with the locale's
// own comparison would, for any bytes a band text may hold.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "mainform/DxdaKeys.h"
#include "mainform/KeyCollation_win.h"

namespace {

using varnholt::DxdaKeys;
using varnholt::LocaleKeyCollation;

bool LocaleEqual(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

TEST(LocaleKeys, MatchTheLocalesComparisonOfEveryKey) {
  LocaleKeyCollation collation;
  DxdaKeys keys(collation);
  std::vector<std::string> model;
  std::mt19937 rng(5);
  // Letters in both cases, digits, the separator, and bytes the locale may
  // treat specially: accented letters, a soft hyphen, a control character.
  const std::string alphabet = "mMcC20|\xE9\xC9\xAD\x01-'";
  for (int i = 0; i < 4000; ++i) {
    std::string key;
    for (int n = 1 + static_cast<int>(rng() % 5); n > 0; --n) key += alphabet[rng() % alphabet.size()];
    bool expected = false;
    for (const std::string& known : model) expected = expected || LocaleEqual(known, key);
    ASSERT_EQ(keys.Contains(key), expected) << i;
    ASSERT_EQ(keys.AddIfNew(key), !expected) << i;
    if (!expected) model.push_back(key);
  }
}

TEST(LocaleKeys, BandKeysIgnoreCase) {
  LocaleKeyCollation collation;
  DxdaKeys keys(collation);
  EXPECT_TRUE(keys.AddIfNew("20M|1234|"));
  EXPECT_FALSE(keys.AddIfNew("20m|1234|"));
  EXPECT_TRUE(keys.AddIfNew("40M|1234|"));
  EXPECT_TRUE(keys.AddIfNew("20M||"));
  std::string index;
  EXPECT_TRUE(collation.IndexForm("160m|0000|", index));
  EXPECT_EQ(index, "160M|0000|");
}

}  // namespace
