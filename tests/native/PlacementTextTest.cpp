#include "placement/PlacementText.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>

namespace varnholt {
namespace {

TEST(PlacementKeyPathTest, BaseNameOfTheHostExecutable) {
  EXPECT_EQ(PlacementKeyPath("C:\\Log\\Logger.exe", CodePage()), "Software\\Logger");
  EXPECT_EQ(PlacementKeyPath("C:\\Program Files\\My Log\\LogIt.EXE", CodePage()), "Software\\LogIt");
  EXPECT_EQ(PlacementKeyPath("Logger.exe", CodePage()), "Software\\Logger");
  EXPECT_EQ(PlacementKeyPath("C:Logger.exe", CodePage()), "Software\\Logger");
  EXPECT_EQ(PlacementKeyPath("\\\\server\\share\\Logger", CodePage()), "Software\\Logger");
}

TEST(PlacementKeyPathTest, OnlyTheLastDotOfTheFileNameStartsTheExtension) {
  EXPECT_EQ(PlacementKeyPath("C:\\Log\\Logger.v2.exe", CodePage()), "Software\\Logger.v2");
  // Dots in directory names are not extensions.
  EXPECT_EQ(PlacementKeyPath("C:\\Log.d\\Logger", CodePage()), "Software\\Logger");
  EXPECT_EQ(PlacementKeyPath("D:\\a.b:c\\Logger", CodePage()), "Software\\Logger");
  // "/" is not a separator of the paths Windows reports.
  EXPECT_EQ(PlacementKeyPath("C:\\x/y.exe", CodePage()), "Software\\x/y");
}

TEST(PlacementKeyPathTest, NoBaseNameGivesNoKey) {
  EXPECT_EQ(PlacementKeyPath("", CodePage()), "");
  EXPECT_EQ(PlacementKeyPath("C:\\Log\\", CodePage()), "");
  EXPECT_EQ(PlacementKeyPath("C:\\Log\\.exe", CodePage()), "");
  EXPECT_EQ(PlacementKeyPath("C:", CodePage()), "");
}

TEST(PlacementWordTest, SpacesAndCommasSeparateInRuns) {
  const std::string_view text = " ,100, 50 ,,500   350,";
  EXPECT_EQ(PlacementWord(text, 1), "100");
  EXPECT_EQ(PlacementWord(text, 2), "50");
  EXPECT_EQ(PlacementWord(text, 3), "500");
  EXPECT_EQ(PlacementWord(text, 4), "350");
  EXPECT_EQ(PlacementWord(text, 5), "");
}

TEST(PlacementWordTest, MissingWordsAreEmpty) {
  EXPECT_EQ(PlacementWord("10,20", 3), "");
  EXPECT_EQ(PlacementWord("", 1), "");
  EXPECT_EQ(PlacementWord(" , ,", 1), "");
  EXPECT_EQ(PlacementWord("a,b", 0), "");
  EXPECT_EQ(PlacementWord("a,b", -1), "");
}

TEST(PlacementWordTest, OtherCharactersBelongToTheWord) {
  EXPECT_EQ(PlacementWord("1;2\t3,4", 1), "1;2\t3");
  EXPECT_EQ(PlacementWord("1;2\t3,4", 2), "4");
  EXPECT_EQ(PlacementWord("-8,-31", 2), "-31");
}

std::int32_t Parsed(std::string_view text) {
  std::int32_t value = 12345;
  EXPECT_TRUE(ParseStoredInteger(text, value)) << '"' << text << '"';
  return value;
}

void ExpectRejected(std::string_view text) {
  std::int32_t value = 12345;
  EXPECT_FALSE(ParseStoredInteger(text, value)) << '"' << text << '"';
  EXPECT_EQ(value, 12345) << "rejected text changed the value: \"" << text << '"';
  EXPECT_EQ(StoredIntegerOr(text, -7), -7) << '"' << text << '"';
}

TEST(StoredIntegerTest, AcceptedForms) {
  EXPECT_EQ(Parsed("0"), 0);
  EXPECT_EQ(Parsed("96"), 96);
  EXPECT_EQ(Parsed("-8"), -8);
  EXPECT_EQ(Parsed("+3"), 3);
  EXPECT_EQ(Parsed("007"), 7);
  EXPECT_EQ(Parsed("  3"), 3);
  EXPECT_EQ(Parsed("3 \t"), 3);
  EXPECT_EQ(Parsed("$1F"), 31);
  EXPECT_EQ(Parsed("0x1f"), 31);
  EXPECT_EQ(Parsed("0XAb"), 171);
  EXPECT_EQ(Parsed("-$10"), -16);
  EXPECT_EQ(Parsed("+0x10"), 16);
}

TEST(StoredIntegerTest, The32BitLimitsAreExact) {
  EXPECT_EQ(Parsed("2147483647"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(Parsed("-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(Parsed("$7FFFFFFF"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(Parsed("-0x80000000"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(Parsed("00000000000000000000000000042"), 42);
  ExpectRejected("2147483648");
  ExpectRejected("-2147483649");
  ExpectRejected("$80000000");
  ExpectRejected("$FFFFFFFF");
  ExpectRejected("99999999999999999999999999999");
  ExpectRejected("0x10000000000000000");
}

TEST(StoredIntegerTest, TextsThatAreNotIntegersGiveTheDefault) {
  for (const char* text : {"", " ", "\t", "-", "+", "$", "0x", "-$", "+-1", "--1", "- 1", "1 2", "12a", "a12", "3,",
                           "1.5", "1e3", "0b101", "$G", "0x1G", "x10", "\xff", "1\n", "\n1"}) {
    ExpectRejected(text);
  }
  // An embedded zero byte is junk, not an end.
  ExpectRejected(std::string_view("12\0" "3", 4));
}

// Decimal texts of random length against strtoll, which reads them exactly
// when they fit 64 bits: both must agree on acceptance and on the value.
TEST(StoredIntegerTest, DecimalAgreesWithStrtollModel) {
  std::mt19937 random(20240607);
  std::uniform_int_distribution<int> length(1, 12), digit(0, 9), sign(0, 2);
  for (int round = 0; round < 20000; ++round) {
    std::string text = sign(random) == 0 ? "-" : sign(random) == 0 ? "+" : "";
    for (int i = length(random); i > 0; --i) text += static_cast<char>('0' + digit(random));
    const long long model = std::strtoll(text.c_str(), nullptr, 10);
    const bool fits = model >= std::numeric_limits<std::int32_t>::min() &&
                      model <= std::numeric_limits<std::int32_t>::max();
    std::int32_t value = 0;
    ASSERT_EQ(ParseStoredInteger(text, value), fits) << text;
    if (fits) {
      ASSERT_EQ(value, model) << text;
    }
  }
}

TEST(StoredIntegerTest, EveryWrittenTextReadsBack) {
  std::mt19937 random(7);
  std::uniform_int_distribution<std::int32_t> any(std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max());
  for (int round = 0; round < 5000; ++round) {
    const std::int32_t value = any(random);
    EXPECT_EQ(Parsed(IntegerText(value)), value);
    char hex[32];
    const std::int64_t wide = value;
    std::snprintf(hex, sizeof hex, "%s$%" PRIX64, wide < 0 ? "-" : "", static_cast<std::uint64_t>(wide < 0 ? -wide : wide));
    EXPECT_EQ(Parsed(hex), value);
  }
}

TEST(ValueTextTest, IntegersAndPositionsInDecimal) {
  EXPECT_EQ(IntegerText(0), "0");
  EXPECT_EQ(IntegerText(-1), "-1");
  EXPECT_EQ(IntegerText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(PositionText(-1, -1, -8, -31), "-1,-1,-8,-31");
  EXPECT_EQ(PositionText(100, 50, 500, 350), "100,50,500,350");
  EXPECT_EQ(ScreenSuffix(1280, 1024), "(1280x1024)");
}

TEST(ValueTextTest, PositionTextSplitsBackIntoItsFourWords) {
  const std::string text = PositionText(951, -164, 1325, 360);
  EXPECT_EQ(StoredIntegerOr(PlacementWord(text, 1), 0), 951);
  EXPECT_EQ(StoredIntegerOr(PlacementWord(text, 2), 0), -164);
  EXPECT_EQ(StoredIntegerOr(PlacementWord(text, 3), 0), 1325);
  EXPECT_EQ(StoredIntegerOr(PlacementWord(text, 4), 0), 360);
}

TEST(ShowCmdTest, MapsToTheRequestedState) {
  for (int cmd : {1, 5, 9}) EXPECT_EQ(StateFromShowCmd(cmd), WindowState::Normal) << cmd;
  for (int cmd : {2, 6, 7}) EXPECT_EQ(StateFromShowCmd(cmd), WindowState::Minimised) << cmd;
  EXPECT_EQ(StateFromShowCmd(3), WindowState::Maximised);
  for (int cmd : {0, 4, 8, 10, 11, -1, -3, 259, std::numeric_limits<int>::min()})
    EXPECT_EQ(StateFromShowCmd(cmd), WindowState::Normal) << cmd;
}

std::string FromBytes(std::initializer_list<unsigned char> bytes) {
  const std::vector<unsigned char> data(bytes);
  return TextFromRegistryData(data.data(), data.size());
}

TEST(RegistryDataTest, TextEndsAtTheFirstZeroOrAtTheEnd) {
  EXPECT_EQ(FromBytes({'1', '0', '0', 0}), "100");
  EXPECT_EQ(FromBytes({'1', '0', '0'}), "100");
  EXPECT_EQ(FromBytes({'1', 0, '2', 0}), "1");
  EXPECT_EQ(FromBytes({0, '2'}), "");
  EXPECT_EQ(FromBytes({0xff, 0x80, 0}), "\xff\x80");
  EXPECT_EQ(TextFromRegistryData(nullptr, 10), "");
  const unsigned char one = 'x';
  EXPECT_EQ(TextFromRegistryData(&one, 0), "");
}

TEST(RegistryDataTest, LargeDataWithoutTerminator) {
  const std::vector<unsigned char> data(1 << 20, 'a');
  EXPECT_EQ(TextFromRegistryData(data.data(), data.size()).size(), data.size());
}

TEST(ValueNameTest, CaseOfAsciiLettersIsIgnored) {
  EXPECT_TRUE(SameValueName("CurrentBand", "currentband"));
  EXPECT_TRUE(SameValueName("CURRENTBAND", "CurrentBand"));
  EXPECT_FALSE(SameValueName("CurrentBand", "CurrentBand2"));
  EXPECT_FALSE(SameValueName("CurrentBand", "CurrentBanc"));
  EXPECT_FALSE(SameValueName("[", "{"));
}

}  // namespace
}  // namespace varnholt
