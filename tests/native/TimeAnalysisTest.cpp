#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <random>

#include "logfiles/Cabrillo.h"
#include "logfiles/ContactFile.h"
#include "mainform/Report.h"
#include "scorer/LogPage.h"
#include "scorer/ScoreOutput.h"
#include "scorer/TimeAnalysis.h"

namespace varnholt {
namespace {

// 2025-03-29 00:00 UTC.
constexpr UtcSeconds kStart = 1743206400;

// A scorer with a time line, over a Cabrillo log.
struct Scored {
  AsciiKeyCollation collation;
  TimeLine times;
  LogScorer scorer{collation, &times};
  explicit Scored(const std::string& log) {
    scorer.FixStationPrefix("DL");
    ReadCabrillo(log, scorer);
  }
  TimeAnalysis Analyse(int offMinutes = kDefaultOffMinutes) const {
    return times.Analyse(offMinutes, scorer.BandStatistics());
  }
};

std::string Qso(int minute, const char* call, const char* khz = "14025", const char* transmitter = "") {
  char line[160];
  std::snprintf(line, sizeof line, "QSO: %s CW 2025-03-%02d %02d%02d DL5XY 599 1 %s 599 %04d %s\n", khz,
                29 + minute / 1440, minute % 1440 / 60, minute % 60, call, 1000 + minute % 7, transmitter);
  return line;
}

// An export out of time order: scoring keeps the file's order (the claimed
// score is the report's), the hours take time order, a duplicate is no
// contact of its hour but keeps the station on the air.
TEST(TimeAnalysisTest, TakesContactsInTimeOrderAndAddsUpToTheReport) {
  const Scored s("START-OF-LOG: 3.0\nCALLSIGN: DL5XY\nCONTEST: CQ-WPX-CW\nCATEGORY-OPERATOR: MULTI-TWO\n"
                 "CATEGORY-MODE: CW\n" +
                 Qso(185, "K3ABC", "7025", "1") + Qso(5, "K1ABC", "14025", "0") + Qso(62, "K2ABC", "14025", "0") +
                 Qso(130, "K1ABC", "14025", "1") +  // a duplicate
                 Qso(6, "K4ABC", "14025", "0") + "QSO: 14025 CW 2025-02-30 0000 DL5XY 599 1 K5ABC 599 1\n");
  const TimeAnalysis t = s.Analyse();
  EXPECT_EQ(s.scorer.Contest(), "CQ-WPX-CW");
  EXPECT_EQ(s.scorer.Category(), "MULTI-TWO CW");
  EXPECT_EQ(t.timed, 5u);
  EXPECT_EQ(t.untimed, 1u);
  EXPECT_EQ(t.bands, (std::vector<std::string>{"40M", "20M"}));  // the report's order
  EXPECT_EQ(t.transmitters, (std::vector<std::string>{"1", "0"}));
  ASSERT_EQ(t.hours.size(), 4u);
  const std::int64_t expected[][7] = {
      // start hour, 40M, 20M, qsos, cumulative, new multipliers, TX 1
      {0, 0, 2, 2, 2, 1, 0},  // 00:06 repeats the number 1006 that 01:02 had first in the file
      {1, 0, 1, 1, 3, 1, 0},
      {2, 0, 0, 0, 3, 0, 0},  // the duplicate alone
      {3, 1, 0, 1, 4, 1, 1},
  };
  for (std::size_t i = 0; i < 4; ++i) {
    const HourRow& h = t.hours[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(h.start, kStart + expected[i][0] * kSecondsPerHour);
    EXPECT_EQ(h.bandQsos, (std::vector<std::int32_t>{static_cast<std::int32_t>(expected[i][1]),
                                                     static_cast<std::int32_t>(expected[i][2])}));
    EXPECT_EQ(h.qsos, expected[i][3]);
    EXPECT_EQ(h.cumulativeQsos, expected[i][4]);
    EXPECT_EQ(h.newMultipliers, expected[i][5]);
    EXPECT_EQ(h.transmitterQsos.at(0), expected[i][6]);
  }
  // Points and multipliers as scoring in file order gave them; the contact
  // without a time counts in the report only.
  EXPECT_EQ(t.hours[0].score, 2 * 1);
  EXPECT_EQ(t.hours.back().score, 4 * 3);
  EXPECT_EQ(TotalsOf(s.scorer.BandStatistics()).Score(), 5 * 4);
  EXPECT_EQ(t.busiestHour, 0u);
  // On and off: the duplicate at 02:10 ends the gap after 01:02, which
  // would otherwise last until 03:05.
  EXPECT_EQ(t.first, kStart + 5 * 60);
  EXPECT_EQ(t.last, kStart + 185 * 60);
  ASSERT_EQ(t.offPeriods.size(), 1u);
  EXPECT_EQ(t.offPeriods[0].from, kStart + 62 * 60);
  EXPECT_EQ(t.offPeriods[0].to, kStart + 130 * 60);
  EXPECT_EQ(t.offTime, 68 * 60);
  EXPECT_EQ(t.onTime, (180 - 68) * 60);
  EXPECT_EQ(s.Analyse(56).offPeriods.size(), 2u);  // 00:06-01:02 as well
}

// The rates and the off periods against a model: the contacts counted in
// every minute, summed over every window a minute at a time.
TEST(TimeAnalysisTest, RatesAndOffPeriodsMatchAMinuteByMinuteCount) {
  std::mt19937 rng(29);
  for (int round = 0; round < 20; ++round) {
    std::string log = "START-OF-LOG: 3.0\n";
    std::vector<int> minutes;
    for (int i = 0, minute = 0; i < 300; ++i) {
      minute += rng() % 8 == 0 ? static_cast<int>(rng() % 150) : static_cast<int>(rng() % 3);
      minutes.push_back(minute);
    }
    std::shuffle(minutes.begin(), minutes.end(), rng);  // an export out of order
    for (std::size_t i = 0; i < minutes.size(); ++i) log += Qso(minutes[i], ("K" + std::to_string(i) + "AB").c_str());
    const TimeAnalysis t = Scored(log).Analyse(45);

    std::sort(minutes.begin(), minutes.end());
    std::vector<int> perMinute(minutes.back() + 1, 0);
    for (const int m : minutes) ++perMinute[m];
    for (const RateWindow& w : t.best) {
      int best = 0;
      for (int from = 0; from <= minutes.back(); ++from) {
        int sum = 0;
        for (int m = from; m < from + w.minutes && m <= minutes.back(); ++m) sum += perMinute[m];
        best = std::max(best, sum);
      }
      EXPECT_EQ(w.qsos, best) << w.minutes;
      EXPECT_EQ(w.to - w.from, w.minutes * 60);
    }
    int off = 0, periods = 0;
    for (std::size_t i = 1; i < minutes.size(); ++i) {
      if (minutes[i] - minutes[i - 1] >= 45) off += minutes[i] - minutes[i - 1], ++periods;
    }
    EXPECT_EQ(t.offPeriods.size(), static_cast<std::size_t>(periods));
    EXPECT_EQ(t.offTime, off * 60);
    EXPECT_EQ(t.onTime, (minutes.back() - minutes.front() - off) * 60);
    EXPECT_EQ(t.hours.back().cumulativeQsos, 300);
  }
}

// Everything from the log is text on the page, never markup; the page
// fetches nothing and runs nothing.
TEST(LogPageTest, LogTextsAreEscapedAndThePageStandsAlone) {
  const Scored s("START-OF-LOG: 3.0\nCALLSIGN: <script>X</script>\nCONTEST: R&D \"TEST\" 'A'\n"
                 "CATEGORY-MODE: <b>CW</b>\n" +
                 Qso(0, "K1ABC", "14025", "<i>") + Qso(70, "K2ABC", "14025", "tx&1"));
  const std::string page = LogPage(s.scorer, s.Analyse(), "a<b>.log", "Cabrillo", "varnholt-score 9");
  std::string lower = page;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* markup : {"<script", "<b>", "<i>", "r&d", "\"test\"", "tx&1", "a<b>"})
    EXPECT_EQ(lower.find(markup), std::string::npos) << markup;
  for (const char* text : {"&lt;SCRIPT&gt;X&lt;/SCRIPT&gt;", "R&amp;D &quot;TEST&quot; &#39;A&#39;",
                           "&lt;b&gt;CW&lt;/b&gt;", "TX &lt;i&gt;", "TX tx&amp;1", "a&lt;b&gt;.log"})
    EXPECT_NE(page.find(text), std::string::npos) << text;
  for (const char* fetch : {"src=", "href=", "@import", "url("}) EXPECT_EQ(page.find(fetch), std::string::npos);
  EXPECT_EQ(HtmlText("K\xF6ln\x01"), "K\xEF\xBF\xBDln\xEF\xBF\xBD");  // no UTF-8, a control character
}

// A log without times: everything else stands, and each output says so.
TEST(TimeAnalysisTest, ALogWithoutTimesSaysSo) {
  AsciiKeyCollation collation;
  TimeLine times;
  JsonCollector json;
  LogScorer scorer(collation, &times);
  scorer.AddWatcher(json);
  ReadLog(std::string("station\tDL5XY\tDL\nUR5ABC\t20M\tCW\t599 1234\tUR\tUR5\tEU\n"), LogFormat::Sample, scorer);
  const TimeAnalysis t = times.Analyse(kDefaultOffMinutes, scorer.BandStatistics());
  EXPECT_FALSE(t.HasTimes());
  EXPECT_EQ(t.untimed, 1u);
  const std::string summary = SummaryText(scorer, t);
  EXPECT_NE(summary.find("Operating time: this log carries no contact times\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("Claimed score: 3\n"), std::string::npos) << summary;
  EXPECT_NE(LogPage(scorer, t, "log", "sample", "p").find("this log carries no contact times"), std::string::npos);
  const std::string object = json.Object(scorer, "log", "sample", &t);
  EXPECT_NE(object.find(",\"time\":{\"timed\":0,\"untimed\":1,\"off_time_setting_minutes\":60,\"note\":\"this log "
                        "carries no contact times\"},\"hours\":[],\"rates\":null,\"off_periods\":[]}"),
            std::string::npos)
      << object;
}

}  // namespace
}  // namespace varnholt
