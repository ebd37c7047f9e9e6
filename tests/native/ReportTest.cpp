#include "mainform/Report.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

TEST(PadLeftTest, PadsButNeverCuts) {
  EXPECT_EQ(PadLeft("20M", 4), " 20M");
  EXPECT_EQ(PadLeft("160M", 4), "160M");
  EXPECT_EQ(PadLeft("1234567", 6), "1234567");
  EXPECT_EQ(PadLeft("", 2), "  ");
}

TEST(StatisticsTextTest, TheWorkedExample) {
  const std::vector<TStatistic> rows = {{"20M", 10, 24, 5}, {"40M", 3, 3, 2}};
  EXPECT_EQ(StatisticsText(rows),
            "Band\t  QSOs\tPoints\t  DXDA\r\n"
            " 20M\t    10\t    24\t     5\r\n"
            " 40M\t     3\t     3\t     2\r\n"
            "Total\t    13\t    27\t     7\r\n"
            " Score: 27*7=189");
}

TEST(StatisticsTextTest, NoRows) {
  EXPECT_EQ(StatisticsText({}),
            "Band\t  QSOs\tPoints\t  DXDA\r\n"
            "Total\t     0\t     0\t     0\r\n"
            " Score: 0*0=0");
}

TEST(StatisticsTextTest, WideValuesOverflowTheirColumns) {
  const std::vector<TStatistic> rows = {{"160M", 1234567, 1, 0}, {"2", -5, 0, 0}};
  const std::string text = StatisticsText(rows);
  EXPECT_NE(text.find("\r\n160M\t1234567\t     1\t     0\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n   2\t    -5\t"), std::string::npos) << text;
}

TEST(StatisticsTextTest, AScoreBeyond32BitsPrintsRight) {
  // 3 bands x 2,000,000,000 points would not even fit the total in 32 bits.
  const std::vector<TStatistic> rows = {{"20M", 1, 2000000000, 40000},
                                        {"40M", 1, 2000000000, 40000},
                                        {"80M", 1, 2000000000, 20000}};
  const std::string text = StatisticsText(rows);
  EXPECT_NE(text.find("Total\t     3\t6000000000\t100000\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" Score: 6000000000*100000=600000000000000"), std::string::npos) << text;

  const std::vector<TStatistic> wraps = {{"20M", 1, 100000, 50000}};  // 5e9 > 2^32
  EXPECT_NE(StatisticsText(wraps).find("=5000000000"), std::string::npos);
}

}  // namespace
}  // namespace varnholt
