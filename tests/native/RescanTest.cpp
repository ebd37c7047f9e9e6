// The log re-scan against a real SQLite log file through the ODBC driver
// manager, the connection opened by the test as the host opens its own.
#include "mainform/Rescan.h"

#include <gtest/gtest.h>

#include "OdbcTestDb.h"
#include "common/PluginError.h"

namespace varnholt {
namespace {

using testing::OdbcTestDb;
using Events = std::vector<std::string>;

// The host's columns, among others the re-scan must pass over.
constexpr const char* kLogSchema =
    "(ID integer primary key, QSODate text, CallSign text, DigiBand text, QSOMode text, Freq real, "
    "QSOReportRecived text, DXCCPrefix text, MainPrefix text, Continent text, Comment text)";
constexpr const char* kColumns = "(CallSign, DigiBand, QSOMode, QSOReportRecived, DXCCPrefix, MainPrefix, Continent)";

template <typename F>
std::string FailureOf(F f) {
  try {
    f();
  } catch (const PluginError& e) {
    return e.what();
  }
  return "(no failure)";
}

class RescanTest : public ::testing::Test {
 protected:
  RescanTest() {
    EXPECT_EQ(db.Exec(std::string("create table Log ") + kLogSchema), "");
    qso.SetText(QsoField::LogTableName, "Log");
    qso.SetText(QsoField::StationPrefix, "DL");
    qso.SetText(QsoField::Band, "40M");
  }
  // `values`: SQL expressions for the seven columns, in kColumns' order.
  void Add(const std::string& values, const std::string& table = "Log") {
    ASSERT_EQ(db.Exec("insert into " + table + kColumns + " values (" + values + ")"), "");
  }
  void Rescan() { RecalcStatisticExecute(context); }

  OdbcTestDb db;
  QsoRecord qso;
  AsciiKeyCollation collation;
  ContestScore score{collation};
  LogQuery query{db.Connection()};
  Events events;
  std::string report = "(old report)";
  RescanContext context{score, qso, query,
                        [this] { events.push_back(query.Active() ? "messages (open)" : "messages"); },
                        [this] { report.clear(); },
                        [this](const std::string& text) { report = text; events.push_back("show"); },
                        [this](bool on) { events.push_back(on ? "enable" : "disable"); }};
};

TEST_F(RescanTest, EmptyTableGivesHeaderTotalAndScoreOnly) {
  Rescan();
  EXPECT_EQ(report, "Band\t  QSOs\tPoints\t  DXDA\r\nTotal\t     0\t     0\t     0\r\n Score: 0*0=0");
  // Waiting messages are processed before the action is disabled and once
  // more after the query is open.
  EXPECT_EQ(events, (Events{"messages", "disable", "messages (open)", "show", "enable"}));
}

TEST_F(RescanTest, ScoresEveryRowOnceAndPutsTheBandBack) {
  Add("'UR5A', '20M', 'CW', '599 1234', 'UR', 'UR', 'eu'");
  Add("'UR5A', '20M', 'CW', '599 1234', 'UR', 'UR', 'eu'");  // logged twice
  Add("'UR5A', '20M', 'SSB', '599 1234', 'UR', 'UR', 'eu'");
  Add("'DL1A', '80M', 'CW', '599 0000', 'DL', 'DL', 'eu'");
  Add("'K1AA', '20M', 'CW', NULL, 'K', NULL, NULL");  // no number: one multiplier of its own
  Rescan();
  EXPECT_EQ(report,
            "Band\t  QSOs\tPoints\t  DXDA\r\n"
            " 80M\t     1\t     1\t     0\r\n"
            " 20M\t     3\t     7\t     2\r\n"
            "Total\t     4\t     8\t     2\r\n"
            " Score: 8*2=16");
  EXPECT_EQ(qso.Text(QsoField::Band), "40M");
  EXPECT_EQ(qso.Text(QsoField::CallSign), "UR5A");  // the last row read
  EXPECT_EQ(qso.Text(QsoField::LogTableName), "Log");
  EXPECT_EQ(qso.Text(QsoField::StationPrefix), "DL");

  Rescan();  // starts from scratch
  EXPECT_EQ(score.Worked().Count(), 4u);
}

// The database orders call signs under its own collation, here without
// regard to case, so rows of one call sign arrive on both sides of rows of
// another. Each contact must still count exactly once.
TEST_F(RescanTest, CaseInsensitiveOrderStillFindsEveryDuplicate) {
  ASSERT_EQ(db.Exec("create table NoCase (CallSign collate nocase, DigiBand, QSOMode, QSOReportRecived, "
                    "DXCCPrefix, MainPrefix, Continent)"),
            "");
  for (const char* call : {"AB1C", "ab1c", "AB1C", "Ab1c", "ab1c", "AB1C", "aa1a"})
    Add(std::string("'") + call + "', '20M', 'CW', '599', 'DL', '', ''", "NoCase");
  qso.SetText(QsoField::LogTableName, "NoCase");
  Rescan();
  EXPECT_EQ(score.Worked().Count(), 4u);  // AB1C, ab1c, Ab1c, aa1a: call signs differ in case
  EXPECT_EQ(score.BandStatistics().at(0).QSOs, 4);
}

TEST_F(RescanTest, ColumnsAreFoundInAnyLetterCaseAndReadAsText) {
  ASSERT_EQ(db.Exec("create table \"My Log\" (callsign, DIGIBAND, qsomode, QsoReportRecived integer, dxccprefix, "
                    "mainprefix, CONTINENT, Extra blob)"),
            "");
  Add("'ur5a', '20m', 'cw', 1234, 'UR', 'ur', 'as-\xC3\xA4'", "\"My Log\"");
  qso.SetText(QsoField::LogTableName, "\"My Log\"");  // used as stored: the host quotes it
  Rescan();
  EXPECT_EQ(qso.Text(QsoField::CallSign), "ur5a");
  EXPECT_EQ(qso.Text(QsoField::Mode), "cw");
  EXPECT_EQ(qso.Text(QsoField::ReportReceived), "1234");  // a number, as text
  EXPECT_EQ(qso.Text(QsoField::MainPrefix), "ur");
  EXPECT_EQ(qso.Text(QsoField::Continent), "AS-\xC3\xA4");  // only a-z are upper-cased
  EXPECT_EQ(score.Keys().InOrderSeen(), (std::vector<std::string>{"20m|1234|"}));
}

TEST_F(RescanTest, LongValuesAreCutAt255Characters) {
  // A 1 MB call sign, a 258-character report whose last four digits are
  // past the cut, a 400-character continent.
  Add("'K1' || hex(zeroblob(524288)), '20M', 'CW', hex(zeroblob(125)) || '12345678', 'DL', 'DL', "
      "replace(hex(zeroblob(200)), '00', 'eu')");
  Rescan();
  EXPECT_EQ(qso.Text(QsoField::CallSign), "K1" + std::string(253, '0'));
  EXPECT_EQ(qso.Text(QsoField::ReportReceived), std::string(250, '0') + "12345");
  std::string continent;
  while (continent.size() < 255) continent += "EU";
  EXPECT_EQ(qso.Text(QsoField::Continent), continent.substr(0, 255));
  EXPECT_EQ(score.Keys().InOrderSeen(), (std::vector<std::string>{"20M|2345|"}));
}

TEST_F(RescanTest, MissingTableFailsWithTheDriversOwnMessage) {
  qso.SetText(QsoField::LogTableName, "NoSuchLog");
  const std::string driverMessage = db.Exec("Select * from NoSuchLog order by CallSign");
  ASSERT_NE(driverMessage, "");
  EXPECT_EQ(FailureOf([&] { Rescan(); }), driverMessage);
  // The report box stays empty and the action is usable again.
  EXPECT_EQ(report, "");
  EXPECT_EQ(events, (Events{"messages", "disable", "enable"}));
}

TEST_F(RescanTest, MissingColumnIsNamedWhenTheFirstRowIsRead) {
  ASSERT_EQ(db.Exec("create table Short (CallSign, DigiBand, QSOMode, QSOReportRecived, DXCCPrefix)"), "");
  qso.SetText(QsoField::LogTableName, "Short");
  Rescan();  // no row, no column looked for
  EXPECT_EQ(score.BandStatistics().size(), 0u);
  EXPECT_NE(report, "");

  ASSERT_EQ(db.Exec("insert into Short values ('UR5A', '20M', 'CW', '599 1234', 'UR')"), "");
  events.clear();
  EXPECT_EQ(FailureOf([&] { Rescan(); }), "LogQuery: Field 'MainPrefix' not found");  // the first in reading order
  EXPECT_EQ(qso.Text(QsoField::Band), "40M");
  EXPECT_EQ(qso.Text(QsoField::DxccPrefix), "UR");  // read before the missing column
  EXPECT_EQ(report, "");
  EXPECT_EQ(events, (Events{"messages", "disable", "messages (open)", "enable"}));

  // The failed run closed its query, and the next run goes on.
  EXPECT_FALSE(query.Active());
  qso.SetText(QsoField::LogTableName, "Log");
  Add("'UR5A', '20M', 'CW', '599 1234', 'UR', 'UR', 'eu'");
  Rescan();
  EXPECT_EQ(score.Worked().Count(), 1u);
}

// A close request handled while the re-scan processes messages closes the
// query (the session may be ending). The re-scan then has not read the log
// and must not show its empty statistics as the claimed score.
TEST_F(RescanTest, QueryClosedWhileMessagesAreProcessedShowsNoScore) {
  Add("'UR5A', '20M', 'CW', '599 1234', 'UR', 'UR', 'eu'");
  context.processMessages = [this] {
    if (query.Active()) query.Close();
  };
  Rescan();
  EXPECT_EQ(report, "");
  EXPECT_EQ(events, (Events{"disable", "enable"}));
  EXPECT_EQ(qso.Text(QsoField::Band), "40M");

  context.processMessages = nullptr;
  Rescan();
  EXPECT_EQ(score.Worked().Count(), 1u);
}

TEST_F(RescanTest, QueryOpensOnceClosesOnceAndKeepsItsTextWhileOpen) {
  Add("'B2B', '20M', 'CW', NULL, 'DL', 'DL', 'eu'");
  Add("'A1A', '20M', 'CW', hex(zeroblob(524288)), 'DL', 'DL', 'eu'");
  query.SetSql(LogQueryText("Log"));
  query.Open();
  EXPECT_EQ(query.Row().Text(LogField::QSOReportRecived), std::string(255, '0'));  // 1 MB, cut
  query.Next();
  query.Open();  // already open: stays on the second row
  EXPECT_EQ(query.Row().Text(LogField::CallSign), "B2B");
  EXPECT_EQ(query.Row().Text(LogField::QSOReportRecived), "");  // NULL
  EXPECT_THROW(query.SetSql("Select 1"), PluginError);
  query.Next();
  EXPECT_TRUE(query.Eof());
  query.Next();
  EXPECT_THROW(query.Row().Text(LogField::CallSign), PluginError);
  query.Close();
  query.Close();
  EXPECT_TRUE(query.Eof());
  query.SetSql("Select 1");
}

// Each row reaches its reader whole, in one call: its own seven values
// wherever the table keeps the columns, none left over from the row before.
TEST_F(RescanTest, EachRowReachesItsReaderWholeInOneCall) {
  ASSERT_EQ(db.Exec("create table Shuffled (continent, Extra, qsomode, CallSign, DIGIBAND, MainPrefix, "
                    "QSOReportRecived, DxccPrefix)"),
            "");
  ASSERT_EQ(db.Exec("insert into Shuffled values ('eu', 'x', 'CW', 'A1A', '20M', 'A1', '599 0001', 'A')"), "");
  ASSERT_EQ(db.Exec("insert into Shuffled values (NULL, 'y', NULL, 'B2B', '40M', NULL, 7, NULL)"), "");
  query.SetSql(LogQueryText("Shuffled"));
  query.Open();
  std::vector<std::string> rows;
  query.ForEachRow([&](const LogRow& row) {
    std::string text;
    for (std::size_t f = 0; f < kLogFieldCount; ++f) text.append(row.Text(static_cast<LogField>(f))).append("|");
    rows.push_back(text);
  });
  EXPECT_EQ(rows, (std::vector<std::string>{"599 0001|A|A1|A1A|20M|CW|eu|", "7|||B2B|40M|||"}));
  EXPECT_FALSE(query.Active());
  EXPECT_THROW(query.Row(), PluginError);
}

TEST_F(RescanTest, TheHostsConnectionOutlivesTheQueryAndMayReconnect) {
  {
    LogQuery other(db.Connection());
    other.SetSql(LogQueryText("Log"));
    other.Open();
  }  // destroyed while open
  Add("'UR5A', '20M', 'CW', '599 1234', 'UR', 'UR', 'eu'");
  Rescan();

  // Between re-scans nothing of the query stays on the connection, so the
  // host can close it; the re-scan fails until the host connects again.
  ASSERT_TRUE(db.Disconnect());
  EXPECT_NE(FailureOf([&] { Rescan(); }), "(no failure)");
  db.Connect();
  Rescan();
  EXPECT_EQ(score.Worked().Count(), 1u);
}

TEST(LogQueryConnection, BadConnectionsFailWithoutACrash) {
  int notAHandle = 0;
  for (std::uintptr_t handle : {std::uintptr_t{0}, reinterpret_cast<std::uintptr_t>(&notAHandle)}) {
    LogQuery query(handle);
    query.SetSql("Select 1");
    EXPECT_EQ(FailureOf([&] { query.Open(); }), "LogQuery: Invalid connection handle");
  }

  // Allocated but never connected: the driver manager's own message.
  OdbcTestDb db;
  SQLHDBC dbc = SQL_NULL_HDBC;
  ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, db.Environment(), &dbc)));
  LogQuery query(reinterpret_cast<std::uintptr_t>(dbc));
  EXPECT_EQ(FailureOf([&] { query.Open(); }), "[unixODBC][Driver Manager]Connection not open");
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
}

}  // namespace
}  // namespace varnholt
