#include "mainform/Scoring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <set>

#include "common/HomeRegion.h"

namespace varnholt {
namespace {

class ScoringTest : public ::testing::Test {
 protected:
  std::int32_t Score(ScoreMode mode, const std::string& call, const std::string& band,
                     const std::string& report = "599", const std::string& dxcc = "DL",
                     const std::string& modeText = "CW") {
    return score.ScoreQso({call, band, modeText, report, dxcc, station}, mode);
  }
  std::int32_t Record(const std::string& call, const std::string& band,
                      const std::string& report = "599", const std::string& dxcc = "DL") {
    return Score(ScoreMode::Record, call, band, report, dxcc);
  }
  const TStatistic& Row(const std::string& band) {
    const auto& rows = score.BandStatistics();
    auto it = std::find_if(rows.begin(), rows.end(), [&](const TStatistic& r) { return r.band == band; });
    EXPECT_NE(it, rows.end()) << band;
    return *it;
  }

  std::string station;
  AsciiKeyCollation collation;
  ContestScore score{collation};
};

TEST(HomeRegion, IsAnExactEntryMatch) {
  EXPECT_TRUE(IsHomeRegionPrefix("UR"));
  EXPECT_TRUE(IsHomeRegionPrefix("UA9"));
  EXPECT_TRUE(IsHomeRegionPrefix("4J"));
  EXPECT_FALSE(IsHomeRegionPrefix("UA"));
  EXPECT_FALSE(IsHomeRegionPrefix("UA1A"));
  EXPECT_FALSE(IsHomeRegionPrefix("ur"));
  EXPECT_FALSE(IsHomeRegionPrefix(""));
  EXPECT_TRUE(IsHomeRegionPrefix("EW:UN"));  // a colon in the prefix spans two entries
}

TEST(DxdaNumberTest, TakesTheLastFourDigitsOfTheTrimmedReport) {
  EXPECT_EQ(DxdaNumber("599 1234"), "1234");
  EXPECT_EQ(DxdaNumber("599 1234  \t"), "1234");
  EXPECT_EQ(DxdaNumber("5991234"), "1234");
  EXPECT_EQ(DxdaNumber("1234"), "1234");
  EXPECT_EQ(DxdaNumber("  1234"), "1234");
  EXPECT_EQ(DxdaNumber("12345"), "2345");
  EXPECT_EQ(DxdaNumber("599 0000"), "0000");
  EXPECT_EQ(DxdaNumber("599 123"), "");
  EXPECT_EQ(DxdaNumber("123"), "");
  EXPECT_EQ(DxdaNumber("599 12a4"), "");
  EXPECT_EQ(DxdaNumber("1234x"), "");
  EXPECT_EQ(DxdaNumber(""), "");
}

TEST_F(ScoringTest, PointsFollowTheTwoPrefixes) {
  station = "UR";
  EXPECT_EQ(Score(ScoreMode::Check, "DL1A", "20M", "599", "DL"), 1);
  EXPECT_EQ(Score(ScoreMode::Check, "UA9A", "20M", "599", "UA9"), 1);  // home station: always 1

  station = "DL";
  EXPECT_EQ(Score(ScoreMode::Check, "UR5A", "20M", "599", " ur "), 3);
  EXPECT_EQ(Score(ScoreMode::Check, "UA3A", "20M", "599", "UA"), 1);

  station = "";
  EXPECT_EQ(Score(ScoreMode::Check, "EW1A", "20M", "599", "EW"), 3);

  station = " ew\t";  // trimmed and upper-cased
  EXPECT_EQ(Score(ScoreMode::Check, "UR5A", "20M", "599", "UR"), 1);
}

TEST_F(ScoringTest, CheckModeRecordsNothing) {
  EXPECT_EQ(Score(ScoreMode::Check, "UR5A", "20M", "599 1234", "UR"), 3);
  EXPECT_EQ(score.Worked().Count(), 0u);
  EXPECT_TRUE(score.BandStatistics().empty());
  EXPECT_EQ(score.Keys().Count(), 0u);
}

TEST_F(ScoringTest, ADuplicateAnswersMinusOneInBothModesAndChangesNothing) {
  EXPECT_EQ(Record("UR5A", "20M", "599 1234", "UR"), 3);
  EXPECT_EQ(Record("UR5A", "20M", "599 9999", "UR"), kDuplicate);
  EXPECT_EQ(Score(ScoreMode::Check, "UR5A", "20M", "599 9999", "UR"), kDuplicate);
  EXPECT_EQ(score.Worked().Count(), 1u);
  EXPECT_EQ(Row("20M").QSOs, 1);
  EXPECT_EQ(Row("20M").Points, 3);
  EXPECT_EQ(Row("20M").DXDA, 1);
  EXPECT_EQ(score.Keys().Count(), 1u);
}

TEST_F(ScoringTest, MultipliersCountDistinctNumbersPerBand) {
  Record("UR5A", "20M", "599 1234");
  Record("UR5B", "20M", "599 1234");
  EXPECT_EQ(Row("20M").DXDA, 1);
  Record("UR5C", "40M", "599 1234");
  EXPECT_EQ(Row("40M").DXDA, 1);

  Record("UR5D", "20M", "599 0000");  // remembered, never counted
  Record("UR5E", "20M", "599 0000");
  EXPECT_EQ(Row("20M").DXDA, 1);
  EXPECT_EQ(score.Keys().Count(), 3u);

  Record("UR5F", "20M", "599");  // no number: the band's "||" key counts once
  Record("UR5G", "20M", "599 12");
  EXPECT_EQ(Row("20M").DXDA, 2);
  EXPECT_EQ(Row("20M").QSOs, 6);
}

TEST_F(ScoringTest, BandRowsAreCaseSensitiveButMultiplierKeysAreNot) {
  Record("UR5A", "20M", "599 1234");
  Record("UR5B", "20m", "599 1234");
  ASSERT_EQ(score.BandStatistics().size(), 2u);
  EXPECT_EQ(score.BandStatistics()[0].band, "20M");  // rows in order of creation
  EXPECT_EQ(score.BandStatistics()[1].band, "20m");
  EXPECT_EQ(Row("20M").DXDA, 1);
  EXPECT_EQ(Row("20m").DXDA, 0);  // shares the key 20M|1234|
  EXPECT_EQ(Row("20m").QSOs, 1);
}

TEST_F(ScoringTest, CaseInsensitiveArrivalOrderStillFindsEveryDuplicate) {
  // What a log re-scan over a case-insensitive "order by CallSign" delivers:
  // the same contacts twice, interleaved in an order that is not byte order.
  std::vector<std::string> calls;
  for (char c = 'a'; c <= 'z'; ++c) {
    calls.push_back(std::string(1, c) + "1x");
    calls.push_back(std::string(1, static_cast<char>(std::toupper(c))) + "2X");
  }
  std::vector<std::string> rows;
  for (const auto& c : calls) rows.insert(rows.end(), {c, c});
  std::stable_sort(rows.begin(), rows.end(), [](const std::string& a, const std::string& b) {
    return std::tolower(a[0]) < std::tolower(b[0]);
  });
  int points = 0, duplicates = 0;
  for (const auto& call : rows) {
    const int r = Record(call, "20M", "599");
    r == kDuplicate ? ++duplicates : points += r;
  }
  EXPECT_EQ(duplicates, static_cast<int>(calls.size()));
  EXPECT_EQ(Row("20M").QSOs, static_cast<int>(calls.size()));
}

TEST_F(ScoringTest, ClearForgetsEverything) {
  Record("UR5A", "20M", "599 1234");
  score.Clear();
  EXPECT_TRUE(score.BandStatistics().empty());
  EXPECT_EQ(score.Keys().Count(), 0u);
  EXPECT_EQ(Record("UR5A", "20M", "599 1234"), 1);
  EXPECT_EQ(Row("20M").DXDA, 1);
}

// Equivalence under which the index cannot speak for keys holding '~': such
// keys must still be found, and must still find the indexed ones.
class PickyCollation final : public KeyCollation {
 public:
  bool Equivalent(std::string_view a, std::string_view b) const override {
    auto strip = [](std::string_view s) {
      std::string out;
      for (char c : s) {
        if (c != '~') out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      }
      return out;
    };
    return strip(a) == strip(b);
  }
  bool IndexForm(std::string_view key, std::string& out) const override {
    if (key.find('~') != std::string_view::npos) return false;
    return ascii.IndexForm(key, out);
  }
  AsciiKeyCollation ascii;
};

// Checks `key` against the keys so far and a plain scan of `model`, then
// adds it to both.
void AddAndCompare(DxdaKeys& keys, const KeyCollation& collation, const std::string& key,
                   std::vector<std::string>& model) {
  const bool expected = std::any_of(model.begin(), model.end(), [&](const std::string& k) {
    return collation.Equivalent(k, key);
  });
  ASSERT_EQ(keys.Contains(key), expected) << key;
  ASSERT_EQ(keys.AddIfNew(key), !expected) << key;
  if (!expected) model.push_back(key);
}

TEST(DxdaKeysTest, AgreesWithALinearScanModel) {
  PickyCollation collation;
  DxdaKeys keys(collation);
  std::vector<std::string> model;
  std::mt19937 rng(11);
  const char alphabet[] = "aAbB|~0";
  for (int i = 0; i < 3000; ++i) {
    std::string key;
    for (int n = 1 + static_cast<int>(rng() % 4); n > 0; --n) key += alphabet[rng() % 7];
    ASSERT_NO_FATAL_FAILURE(AddAndCompare(keys, collation, key, model));
  }
  EXPECT_EQ(keys.InOrderSeen(), model);
}

// Keys as scoring makes them, band + "|" + number + "|", over more bands
// than the per-band bits hold, in both letter cases, with keys the
// collation cannot index, and again after the keys are emptied.
TEST(DxdaKeysTest, BandNumberKeysAgreeWithTheModelOverManyBands) {
  PickyCollation collation;
  DxdaKeys keys(collation);
  std::mt19937 rng(23);
  const char* const numbers[] = {"0000", "1234", "9999", "0042", "123", "", "12345"};
  for (int round = 0; round < 2; ++round) {
    std::vector<std::string> model;
    for (int i = 0; i < 4000; ++i) {
      std::string band = std::to_string(rng() % 48) + (rng() % 2 ? "M" : "m");
      if (rng() % 16 == 0) band += "~";
      if (rng() % 16 == 0) band += "|1234";
      ASSERT_NO_FATAL_FAILURE(AddAndCompare(keys, collation, band + "|" + numbers[rng() % 7] + "|", model));
    }
    EXPECT_EQ(keys.InOrderSeen(), model);
    keys.Clear();
    EXPECT_EQ(keys.Count(), 0u);
  }
}

}  // namespace
}  // namespace varnholt
