#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "OdbcTestDb.h"
#include "common/PluginError.h"
#include "logfiles/Cabrillo.h"
#include "mainform/Rescan.h"
#include "scorer/CallList.h"
#include "scorer/ScoreLog.h"
#include "scorer/ScoreOutput.h"

namespace varnholt {
namespace {

using testing::OdbcTestDb;

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// The host's log table, holding `contacts` in the order given.
void LoadLogTable(OdbcTestDb& db, const std::vector<Contact>& contacts) {
  ASSERT_EQ(db.Exec("create table Log (Id integer primary key, CallSign text, DigiBand text, QSOMode text,"
                    " QSOReportRecived text, DXCCPrefix text, MainPrefix text, Continent text)"),
            "");
  for (std::size_t first = 0; first < contacts.size(); first += 500) {
    std::string sql =
        "insert into Log (CallSign, DigiBand, QSOMode, QSOReportRecived, DXCCPrefix, MainPrefix,"
        " Continent) values ";
    for (std::size_t i = first; i < std::min(contacts.size(), first + 500); ++i) {
      const Contact& c = contacts[i];
      sql += (i > first ? "," : "") + std::string("(") + Quoted(c.callSign) + "," + Quoted(c.band) + "," +
             Quoted(c.mode) + "," + Quoted(c.report) + "," + Quoted(c.dxccPrefix) + "," +
             Quoted(c.mainPrefix) + "," + Quoted(c.continent) + ")";
    }
    ASSERT_EQ(db.Exec(sql), "");
  }
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The real contest logs, scored three ways: from the file, from a log table
// holding the same contacts through the scorer, and through the window's own
// re-scan of that table.
TEST(ScorerTest, RealLogsScoreAsTheWindowsRescanScoresThem) {
  AsciiKeyCollation collation;
  for (const char* name : {"k1lz.log", "k9ct.log", "kc1xx.log"}) {
    SCOPED_TRACE(name);
    const std::string path = std::string(VARNHOLT_SOURCE_DIR "/data/reallogs/") + name;
    const std::string text = ReadWholeFile(path);
    const ContactFile file = ReadContacts(text);
    ASSERT_GT(file.contacts.size(), 5000u);

    LogScorer fromFile(collation);
    ReadCabrillo(text, fromFile);
    EXPECT_TRUE(fromFile.BadLines().empty());
    EXPECT_EQ(fromFile.Contacts(), file.contacts.size());

    OdbcTestDb db;
    LoadLogTable(db, file.contacts);

    QsoRecord qso;
    qso.SetText(QsoField::LogTableName, "Log");
    qso.SetText(QsoField::StationPrefix, file.stationPrefix);
    ContestScore windowScore(collation);
    LogQuery query(db.Connection());
    RescanContext rescan{windowScore, qso, query, {}, {}, {}, {}};
    ASSERT_TRUE(RescanLog(rescan));
    const std::string windowReport = ReportLines(windowScore.BandStatistics());

    LogScorer fromTable(collation);
    fromTable.FixStationPrefix(file.stationPrefix);
    ScoreLogTable(db.Connection(), "Log", fromTable);
    EXPECT_EQ(ReportLines(fromTable.BandStatistics()), windowReport);

    // The file's order differs from the table's (by call sign), which moves
    // band rows but changes no count.
    EXPECT_EQ(SortedLines(ReportLines(fromFile.BandStatistics())), SortedLines(windowReport));
    EXPECT_EQ(fromFile.Duplicates(), fromTable.Duplicates());
  }
}

const char* const kSmallLog =
    "START-OF-LOG: 3.0\n"
    "CALLSIGN: DL5XY\n"
    "QSO: 14025 CW 2025-03-29 0000 DL5XY 599 1 UR5ABC 599 1234\n"
    "QSO: 14026 CW 2025-03-29 0001 DL5XY 599 2 ur5abc 599 1234\n"  // the same station again
    "QSO: 14027 CW 2025-03-29 0002 DL5XY 599 3 UA9XX 599 1234\n"   // a number already had
    "QSO: 7020 CW 2025-03-29 0003 DL5XY 599 4 K1ABC 599 0000\n"    // remembered, never counted
    "QSO: 7021 CW 2025-03-29 0004 DL5XY 599 5 \"K2AB\" 599 05\n"   // no number: the band's one
    "QSO: 7022 PH 2025-03-29 0005 DL5XY 59 6 K3CD 59 17\n";

TEST(ScorerTest, ExplainsEveryContactInLogOrder) {
  AsciiKeyCollation collation;
  std::ostringstream out;
  ExplainWriter explain(out);
  LogScorer scorer(collation, &explain);
  ReadCabrillo(kSmallLog, scorer);
  EXPECT_EQ(out.str(),
            "3\tUR5ABC\t20M\tCW\t599 1234\t3 points, new multiplier 1234\n"
            "4\tUR5ABC\t20M\tCW\t599 1234\tduplicate\n"
            "5\tUA9XX\t20M\tCW\t599 1234\t3 points\n"
            "6\tK1ABC\t40M\tCW\t599 0000\t1 point\n"
            "7\t\"K2AB\"\t40M\tCW\t599 05\t1 point, new multiplier (no number)\n"
            "8\tK3CD\t40M\tSSB\t59 17\t1 point\n");
  EXPECT_EQ(ReportLines(scorer.BandStatistics()),
            "Band\t  QSOs\tPoints\t  DXDA\n"
            " 20M\t     2\t     6\t     1\n"
            " 40M\t     3\t     3\t     1\n"
            "Total\t     5\t     9\t     2\n"
            " Score: 9*2=18\n");
}

TEST(ScorerTest, JsonListsDuplicatesMultipliersAndBadLines) {
  AsciiKeyCollation collation;
  JsonCollector json;
  LogScorer scorer(collation, &json);
  ReadCabrillo(std::string(kSmallLog) + "QSO: 99999 CW 2025-03-29 0006 DL5XY 599 7 K4EF 599 18\n", scorer);
  EXPECT_EQ(json.Object(scorer, "small\\log \"1\"", "Cabrillo"),
            "{\"log\":\"small\\\\log \\\"1\\\"\",\"format\":\"Cabrillo\","
            "\"station\":{\"call\":\"DL5XY\",\"prefix\":\"DL\"},"
            "\"bands\":[{\"band\":\"20M\",\"qsos\":2,\"points\":6,\"dxda\":1},"
            "{\"band\":\"40M\",\"qsos\":3,\"points\":3,\"dxda\":1}],"
            "\"total\":{\"qsos\":5,\"points\":9,\"dxda\":2},\"score\":18,\"contacts\":6,"
            "\"duplicates\":[{\"line\":4,\"call\":\"UR5ABC\",\"band\":\"20M\",\"mode\":\"CW\"}],"
            "\"new_multipliers\":[{\"line\":3,\"call\":\"UR5ABC\",\"band\":\"20M\",\"mode\":\"CW\","
            "\"number\":\"1234\"},"
            "{\"line\":7,\"call\":\"\\\"K2AB\\\"\",\"band\":\"40M\",\"mode\":\"CW\",\"number\":\"\"}],"
            "\"bad_lines\":[{\"line\":9,\"error\":\"frequency 99999 is on no band\","
            "\"contact_counted\":false}]}");
}

// JSON strings are ASCII: UTF-8 characters as their escapes, and every byte
// that is no part of one as U+FFFD, never as the Latin-1 character of its code.
TEST(ScorerTest, JsonStringsReadTheirTextAsUtf8) {
  const std::string fffd = "\\ufffd";
  const std::pair<std::string, std::string> cases[] = {
      {std::string("a\tb\x01\x7f\"\\", 7), "a\\u0009b\\u0001\\u007f\\\"\\\\"},
      {"J\xC3\xBCrgen \xE2\x82\xAC \xF0\x9F\x93\xBB", "J\\u00fcrgen \\u20ac \\ud83d\\udcfb"},
      {"K\xF6ln \xC3", "K" + fffd + "ln " + fffd},  // a code page's text; a character cut off
      {"\xC0\xAF" "\xED\xA0\x80", fffd + fffd + fffd + fffd + fffd},  // overlong; a surrogate
      {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},                 // past U+10FFFF
  };
  for (const auto& [text, json] : cases) EXPECT_EQ(JsonString(text), "\"" + json + "\"") << text;
}

TEST(ScorerTest, StationPrefixFromTheOptionOutranksTheLogsOwn) {
  AsciiKeyCollation collation;
  const std::string log =
      "START-OF-LOG: 3.0\nCALLSIGN: UT5XX\nQSO: 14025 CW 2025-03-29 0000 UT5XX 599 1 UA9XX 599 1234\n";
  LogScorer fromHeader(collation);
  ReadCabrillo(log, fromHeader);
  EXPECT_EQ(fromHeader.StationPrefix(), "UR");  // a home-region station: every contact 1 point
  EXPECT_EQ(fromHeader.BandStatistics().at(0).Points, 1);

  LogScorer fromOption(collation);
  fromOption.FixStationPrefix("DL");
  ReadCabrillo(log, fromOption);
  EXPECT_EQ(fromOption.StationCall(), "UT5XX");
  EXPECT_EQ(fromOption.BandStatistics().at(0).Points, 3);
}

TEST(ScorerTest, StrictStopsAtTheFirstBadLine) {
  AsciiKeyCollation collation;
  LogScorer scorer(collation);
  scorer.SetStrict(true);
  try {
    ReadCabrillo(std::string(kSmallLog) + "QSO: 14025 CW\n" + kSmallLog, scorer);
    FAIL();
  } catch (const StrictStop& e) {
    EXPECT_EQ(e.line.line, 9);
    EXPECT_EQ(scorer.Contacts(), 6u);
  }
}

TEST(ScorerTest, LogTableFailuresCarryTheDatabaseMessage) {
  AsciiKeyCollation collation;
  OdbcTestDb db;
  LogScorer scorer(collation);
  EXPECT_THROW(ScoreLogTable(db.Connection(), "NoSuchTable", scorer), PluginError);
  ASSERT_EQ(db.Exec("create table Partial (CallSign text, DigiBand text)"), "");
  ASSERT_EQ(db.Exec("insert into Partial values ('UR5ABC', '20M')"), "");
  try {
    ScoreLogTable(db.Connection(), "Partial", scorer);
    FAIL();
  } catch (const PluginError& e) {
    EXPECT_STREQ(e.what(), "LogQuery: Field 'QSOReportRecived' not found");
  }
  EXPECT_EQ(scorer.Contacts(), 0u);
  EXPECT_TRUE(db.Disconnect());  // no statement left on the connection
}

// The check list: a call as logged or by its home call; the compiled-in
// list is the file it was built from.
TEST(CallListTest, KnowsCallsAsLoggedOrByTheirHomeCall) {
  const CallList list("# Release 2025.01.01\n\nk1abc\nDL/UR5XYZ\r\nK1ABC\nUA9XX\n");
  const CallListData data = list.Data();
  EXPECT_EQ(data.count, 3u);
  EXPECT_EQ(data.release, "Release 2025.01.01");
  for (const char* call : {"K1ABC", " k1abc ", "K1ABC/P", "DL/K1ABC/QRP", "DL/UR5XYZ", "UA9XX/1"}) {
    EXPECT_TRUE(IsKnownCall(data, call)) << call;
  }
  for (const char* call : {"K1AB", "K1ABCD", "UR5XYZ", "", "A", "UR5XYZ/P"})
    EXPECT_FALSE(IsKnownCall(data, call)) << call;
  EXPECT_THROW(CallList("K1ABC\nK1 ABC\n"), CallListError);

  const CallList file(ReadWholeFile(VARNHOLT_SCP_FILE));
  EXPECT_EQ(file.Data().text, kBuiltInCallList.text);
  EXPECT_EQ(file.Data().count, kBuiltInCallList.count);

  AsciiKeyCollation collation;
  JsonCollector json(&data);
  LogScorer scorer(collation, &json);
  ReadCabrillo(
      "QSO: 14025 CW 2025-03-29 0000 DL5XY 599 1 K1ABC 599 2\n"
      "QSO: 14025 CW 2025-03-29 0000 DL5XY 599 1 K2ABC 599 2\n",
      scorer);
  const std::string object = json.Object(scorer, "log", "Cabrillo");
  EXPECT_NE(
      object.find(",\"not_in_scp\":[{\"line\":2,\"call\":\"K2ABC\",\"band\":\"20M\",\"mode\":\"CW\"}]}"),
      std::string::npos)
      << object;
}

}  // namespace
}  // namespace varnholt
