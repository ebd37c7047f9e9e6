#include "mainform/WorkedList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <tuple>

namespace varnholt {
namespace {

class WorkedListTest : public ::testing::Test {
 protected:
  void Add(const std::string& call, const std::string& band, const std::string& mode) {
    list.AddWorkedIfNew({call, band, mode});
  }
  bool IsDup(const std::string& call, const std::string& band, const std::string& mode) {
    return list.IsDuplicate({call, band, mode});
  }

  WorkedList list;
};

TEST(CompareBytesTest, IsByteWiseAndUnsigned) {
  EXPECT_EQ(CompareBytes("", "A"), -1);
  EXPECT_EQ(CompareBytes("TEST", "TESTA"), -1);
  EXPECT_EQ(CompareBytes("TESTA", "TEST"), 1);
  EXPECT_EQ(CompareBytes("a", "B"), 1);            // lower case sorts after upper case
  EXPECT_EQ(CompareBytes("\xE0", "z"), 1);          // bytes above 127 are large, not negative
  EXPECT_EQ(CompareByCall(TQSO{"K1A", "20M", "CW"}, TQSO{"K1A", "40M", "SSB"}), 0);
}

TEST_F(WorkedListTest, MatchesCallBandAndModeExactly) {
  EXPECT_FALSE(IsDup("UR5ABC", "20M", "CW"));  // empty list
  Add("UR5ABC", "20M", "CW");
  EXPECT_TRUE(IsDup("UR5ABC", "20M", "CW"));
  EXPECT_FALSE(IsDup("UR5ABC", "20M", "SSB"));
  EXPECT_FALSE(IsDup("UR5ABC", "40M", "CW"));
  EXPECT_FALSE(IsDup("ur5abc", "20M", "CW"));
  EXPECT_FALSE(IsDup("UR5ABC", "20m", "CW"));
  EXPECT_FALSE(IsDup("UR5AB", "20M", "CW"));   // a prefix of a call is another call
  EXPECT_FALSE(IsDup("UR5ABCD", "20M", "CW"));
}

TEST_F(WorkedListTest, FindsAMatchAnywhereInTheRunOfOneCall) {
  // The search may land in the middle of a run; the match can be its first entry.
  Add("K1A", "20M", "CW");
  Add("K1A", "40M", "CW");
  Add("K1A", "80M", "CW");
  Add("K1B", "20M", "CW");
  EXPECT_TRUE(IsDup("K1A", "20M", "CW"));
  EXPECT_TRUE(IsDup("K1A", "80M", "CW"));
  EXPECT_FALSE(IsDup("K1A", "15M", "CW"));
}

TEST_F(WorkedListTest, AnswersAlikeWhateverTheArrivalOrder) {
  // Case-insensitive "order by CallSign" from a database: a, B, c, D.
  const std::vector<std::string> calls = {"a1x", "B1X", "c1x", "D1X", "DL1A", "dl1a"};
  for (const std::string& call : calls) Add(call, "20M", "CW");
  // The same contacts in byte order and in reverse byte order.
  std::vector<std::string> sorted = calls;
  std::sort(sorted.begin(), sorted.end());
  WorkedList inByteOrder, inReverse;
  for (const std::string& call : sorted) inByteOrder.AddWorkedIfNew({call, "20M", "CW"});
  for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) inReverse.AddWorkedIfNew({*it, "20M", "CW"});

  EXPECT_EQ(list.Count(), calls.size());
  EXPECT_EQ(inByteOrder.Count(), calls.size());
  EXPECT_EQ(inReverse.Count(), calls.size());
  for (const char* call : {"a1x", "B1X", "c1x", "D1X", "DL1A", "dl1a"}) {
    EXPECT_TRUE(IsDup(call, "20M", "CW")) << call;
    EXPECT_TRUE(inByteOrder.IsDuplicate({call, "20M", "CW"})) << call;
    EXPECT_TRUE(inReverse.IsDuplicate({call, "20M", "CW"})) << call;
  }
  for (const char* call : {"A1X", "b1x", "C1X", "d1x", "Dl1A", "DL1", "a1", "", "\xE0" "1X"}) {
    EXPECT_FALSE(IsDup(call, "20M", "CW")) << call;
    EXPECT_FALSE(inByteOrder.IsDuplicate({call, "20M", "CW"})) << call;
    EXPECT_FALSE(inReverse.IsDuplicate({call, "20M", "CW"})) << call;
  }
}

TEST_F(WorkedListTest, AgreesWithASetModelUnderRandomTraffic) {
  std::mt19937 rng(7);
  const std::vector<std::string> calls = {"UR5A", "ur5a", "UR5AB", "K1", "K1A", "k1a", "DL0X",
                                          "\xC4" "1X", "", "4J9A", "UA9B", "UA9"};
  const std::vector<std::string> bands = {"20M", "20m", "40M", ""};
  const std::vector<std::string> modes = {"CW", "SSB", "cw"};
  std::set<std::tuple<std::string, std::string, std::string>> model;
  for (int i = 0; i < 4000; ++i) {
    const auto& c = calls[rng() % calls.size()];
    const auto& b = bands[rng() % bands.size()];
    const auto& m = modes[rng() % modes.size()];
    const bool expected = model.count({c, b, m}) != 0;
    ASSERT_EQ(IsDup(c, b, m), expected) << i;
    if (!expected && rng() % 2 == 0) {
      Add(c, b, m);
      model.insert({c, b, m});
    }
  }
  EXPECT_EQ(list.Count(), model.size());
  list.Clear();
  EXPECT_FALSE(IsDup(calls[0], bands[0], modes[0]));
}

}  // namespace
}  // namespace varnholt
