#include "ContactFile.h"

#include <gtest/gtest.h>

#include <sstream>

#include "mainform/Report.h"
#include "mainform/Scoring.h"

namespace varnholt {
namespace {

TEST(ContactFileTest, ReadsTheSampleFormat) {
  std::istringstream in(
      "# comment\n"
      "station\tDL5XY\tDL\n"
      "UR5ABC\t20M\tCW\t599 1234\tUR\tUR5\tEU\r\n"
      "k1a\t40M\tSSB\t\tK\tK1\tna\n");
  const ContactFile f = ReadContacts(in);
  EXPECT_EQ(f.stationLabel, "DL5XY");
  EXPECT_EQ(f.stationPrefix, "DL");
  ASSERT_EQ(f.contacts.size(), 2u);
  EXPECT_EQ(f.contacts[0].report, "599 1234");
  EXPECT_EQ(f.contacts[0].continent, "EU");
  EXPECT_EQ(f.contacts[1].callSign, "k1a");
  EXPECT_EQ(f.contacts[1].report, "");
}

TEST(ContactFileTest, ReadsCabrilloQsoLines) {
  std::istringstream in(
      "START-OF-LOG: 3.0\n"
      "CALLSIGN: UT5XX\n"
      "QSO:   28535 PH 2025-03-29 0000 UT5XX  59  0001  W6QU   59   0001    0\n"
      "QSO:    7012 CW 2025-03-29 0001 UT5XX 599  0002  ua9abc 599  14\n"
      "END-OF-LOG:\n");
  const ContactFile f = ReadContacts(in);
  EXPECT_EQ(f.stationLabel, "UT5XX");
  EXPECT_EQ(f.stationPrefix, "UR");
  ASSERT_EQ(f.contacts.size(), 2u);
  EXPECT_EQ(f.contacts[0].band, "10M");
  EXPECT_EQ(f.contacts[0].mode, "SSB");
  EXPECT_EQ(f.contacts[0].report, "59 0001");
  EXPECT_EQ(f.contacts[0].dxccPrefix, "K");
  EXPECT_EQ(f.contacts[1].callSign, "UA9ABC");
  EXPECT_EQ(f.contacts[1].band, "40M");
  EXPECT_EQ(f.contacts[1].dxccPrefix, "UA9");
  EXPECT_EQ(f.contacts[1].continent, "AS");
}

TEST(ContactFileTest, NamesTheBadLine) {
  std::istringstream shortLine("UR5ABC\t20M\tCW\n");
  EXPECT_THROW(ReadContacts(shortLine), ContactFileError);
  std::istringstream badFreq("QSO: 99999 CW 2025-03-29 0000 A 599 1 B 599 2\n");
  try {
    ReadContacts(badFreq);
    FAIL();
  } catch (const ContactFileError& e) {
    EXPECT_NE(std::string(e.what()).find("line 1"), std::string::npos);
  }
  EXPECT_THROW(ReadContactFile("/nonexistent/file.log"), ContactFileError);
}

TEST(PrefixTable, LongestMatchWinsAndPortablesWork) {
  EXPECT_EQ(LookUpPrefix("UA9ABC").dxccPrefix, "UA9");
  EXPECT_EQ(LookUpPrefix("UA3ABC").dxccPrefix, "UA");
  EXPECT_EQ(LookUpPrefix("UR5ABC/P").dxccPrefix, "UR");
  EXPECT_EQ(LookUpPrefix("DL/UR5ABC").dxccPrefix, "DL");
  EXPECT_EQ(LookUpPrefix("UR5ABC").mainPrefix, "UR5");
  EXPECT_EQ(LookUpPrefix("QQ1X").dxccPrefix, "");
}

TEST(SampleLog, ScoresToAStableReport) {
  const ContactFile f = ReadContactFile(VARNHOLT_SOURCE_DIR "/data/sample.log");
  ASSERT_GE(f.contacts.size(), 200u);
  QsoRecord qso;
  qso.SetText(QsoField::StationPrefix, f.stationPrefix);
  AsciiKeyCollation collation;
  ContestScore score(qso, collation);
  int duplicates = 0;
  for (const Contact& c : f.contacts) {
    qso.SetText(QsoField::CallSign, c.callSign);
    qso.SetText(QsoField::Band, c.band);
    qso.SetText(QsoField::Mode, c.mode);
    qso.SetText(QsoField::ReportReceived, c.report);
    qso.SetText(QsoField::DxccPrefix, c.dxccPrefix);
    if (score.ScoreQso(ScoreMode::Record) == kDuplicate) ++duplicates;
  }
  EXPECT_GT(duplicates, 0);  // the sample is meant to hold some
  EXPECT_GE(score.BandStatistics().size(), 5u);
  const std::string report = StatisticsText(score.BandStatistics());
  EXPECT_EQ(report.rfind("Band\t", 0), 0u);
  EXPECT_NE(report.find(" Score: "), std::string::npos);
}

}  // namespace
}  // namespace varnholt
