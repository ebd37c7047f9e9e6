#include <gtest/gtest.h>

#include "logfiles/Bands.h"
#include "logfiles/Cabrillo.h"
#include "logfiles/ContactFile.h"
#include "logfiles/CountryFile.h"
#include "logfiles/LogText.h"
#include "mainform/Report.h"
#include "mainform/Scoring.h"

namespace varnholt {
namespace {

// Everything a reader reports, in order.
struct Recorded final : ContactSink {
  std::vector<std::string> station;
  std::vector<std::pair<int, Contact>> contacts;
  std::vector<LogLineError> bad;
  void Station(const std::string& call, const std::string& prefix) override { station = {call, prefix}; }
  void Add(const Contact& c, int line) override { contacts.emplace_back(line, c); }
  void BadLine(const LogLineError& e) override { bad.push_back(e); }
};

TEST(ContactFileTest, ReadsTheSampleFormat) {
  const ContactFile f = ReadContacts(
      "# comment\n"
      "station\tDL5XY\tDL\n"
      "UR5ABC\t20M\tCW\t599 1234\tUR\tUR5\tEU\r\n"
      "k1a\t40M\tSSB\t\tK\tK1\tna\n");
  EXPECT_EQ(f.stationLabel, "DL5XY");
  EXPECT_EQ(f.stationPrefix, "DL");
  ASSERT_EQ(f.contacts.size(), 2u);
  EXPECT_EQ(f.contacts[0].report, "599 1234");
  EXPECT_EQ(f.contacts[0].continent, "EU");
  EXPECT_EQ(f.contacts[1].callSign, "k1a");
  EXPECT_EQ(f.contacts[1].report, "");
  EXPECT_EQ(ReadContacts("\xEF\xBB\xBFstation\tDL5XY\tDL\n").stationLabel, "DL5XY");
}

TEST(CabrilloTest, ReadsQsoLinesWithAndWithoutTransmitter) {
  Recorded r;
  ReadCabrillo(
      "START-OF-LOG: 3.0\n"
      "CALLSIGN: ut5xx  \n"
      "QSO:   28535 PH 2025-03-29 0000 UT5XX  59  0001  W6QU   59   0001    0\n"
      "qso:    7012 cw 2025-03-29 0001 UT5XX 599  0002  ua9abc 599  14   \r\n"
      "X-QSO:  7012 CW 2025-03-29 0002 UT5XX 599  0003  UA9XYZ 599  15\n"
      "QSO: 144 FM 2025-03-29 0003 UT5XX 59 KN18 UR5ABC 59 KN29\n"
      "QSO: 14025 CW 2025-03-29 0004 UT5XX 599 1234 5B4AAA\n"
      "END-OF-LOG:\n",
      r);
  EXPECT_EQ(r.station, (std::vector<std::string>{"UT5XX", "UR"}));
  ASSERT_EQ(r.contacts.size(), 4u);
  const Contact& first = r.contacts[0].second;
  EXPECT_EQ(r.contacts[0].first, 3);
  EXPECT_EQ(first.band, "10M");
  EXPECT_EQ(first.mode, "SSB");
  EXPECT_EQ(first.report, "59 0001");
  EXPECT_EQ(first.dxccPrefix, "K");
  const Contact& second = r.contacts[1].second;
  EXPECT_EQ(second.callSign, "UA9ABC");
  EXPECT_EQ(second.mode, "CW");
  EXPECT_EQ(second.band, "40M");
  EXPECT_EQ(second.report, "599 14");  // the trailing blanks and CR are not part of it
  EXPECT_EQ(second.dxccPrefix, "UA9");
  EXPECT_EQ(r.contacts[2].second.band, "2M");  // a VHF band designator, and X-QSO: is passed over
  EXPECT_EQ(r.contacts[2].second.report, "59 KN29");
  // Fields that do not pair up: the received exchange is missing, and the
  // received call is taken from where it stands.
  EXPECT_EQ(r.contacts[3].second.callSign, "5B4AAA");
  EXPECT_EQ(r.contacts[3].second.report, "");
  EXPECT_TRUE(r.bad.empty());
}

TEST(CabrilloTest, ReportsBadLinesAndGoesOn) {
  Recorded r;
  ReadCabrillo(
      "START-OF-LOG: 3.0\n"
      "QSO: 14500 CW 2025-03-29 0000 UT5XX 599 1 DL1ABC 599 2\n"   // above the 20M band
      "QSO: 14025 CW 2025-03-29\n"                                 // cut short
      "QSO: 14025 CW 2025-03-29 0000 UT5XX 599 1234 599\n"         // no received call
      "QSO: abc CW 2025-03-29 0000 UT5XX 599 1 DL1ABC 599 2\n"
      "this line has no tag\n"
      "QSO: 14025 CW 2025-03-29 0000 UT5XX 599 1 DL1ABC 599 2\n",
      r);
  ASSERT_EQ(r.bad.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(r.bad[i].line, i + 2) << r.bad[i].message;
  EXPECT_NE(r.bad[0].message.find("14500"), std::string::npos);
  ASSERT_EQ(r.contacts.size(), 1u);
  EXPECT_EQ(r.contacts[0].first, 7);
}

// The readers' one band table: Cabrillo's kHz and designators, ADIF's names
// and MHz, from 2190m to light, and the gaps between bands.
TEST(BandsTest, CabrilloAndAdifShareOneTable) {
  const std::pair<const char*, const char*> cabrillo[] = {
      {"137", "2190M"},  {"475", "630M"}, {"502", "560M"},    {"5100", "60M"},
      {"5450", "60M"},   {"40680", "8M"}, {"54000", "6M"},    {"54000.5", "5M"},
      {"50", "6M"},      {"902", "33CM"}, {"1.2G", "23CM"},   {"1.2g", "23CM"},
      {"2.3G", "13CM"},  {"3.4G", "9CM"}, {"5.7G", "6CM"},    {"10G", "3CM"},
      {"24G", "1.25CM"}, {"47G", "6MM"},  {"75G", "4MM"},     {"122G", "2.5MM"},
      {"134G", "2MM"},   {"241G", "1MM"}, {"light", "LIGHT"}, {"1296200", "23CM"},
      {"14500", ""},     {"5500", ""},    {"3G", ""},         {"902.5", ""},
      {"", ""},
  };
  for (const auto& [field, band] : cabrillo) EXPECT_EQ(BandFromCabrilloFrequency(field), band) << field;
  const std::pair<const char*, const char*> adif[] = {
      {"2190m", "2190M"}, {" 1.25CM ", "1.25CM"}, {"1.25m", "1.25M"},
      {"submm", "SUBMM"}, {"20 m", ""},           {"light", ""},
  };
  for (const auto& [name, band] : adif) EXPECT_EQ(BandFromAdifName(name), band) << name;
  EXPECT_EQ(BandFromKhz(10368100), "3CM");
  EXPECT_EQ(BandFromKhz(7300.5), "");
}

// Real files: a byte order mark, comments and a pasted note before the log,
// score notes after its end, and QSO: lines after END-OF-LOG: too.
TEST(CabrilloTest, ReadsOnlyTheLogBetweenItsTags) {
  Recorded r;
  ReadCabrillo(
      "\xEF\xBB\xBF# written by a contest logger\n"
      "Here is my log for the weekend, 73!\n"
      "START-OF-LOG: 3.0\n"
      "CALLSIGN: UT5XX\n"
      "# a comment inside the log\n"
      "QSO: 14025 CW 2025-03-29 0000 UT5XX 599 1 DL1ABC 599 2\n"
      "this line has no tag\n"
      "END-OF-LOG:\n"
      "QSO: 7025 CW 2025-03-29 0001 UT5XX 599 3 DL1ABC 599 4\n"
      "Claimed score: 1 QSO\n"
      "Thanks for the contest!\n",
      r);
  EXPECT_EQ(r.station, (std::vector<std::string>{"UT5XX", "UR"}));
  ASSERT_EQ(r.contacts.size(), 2u);
  EXPECT_EQ(r.contacts[1].first, 9);
  ASSERT_EQ(r.bad.size(), 1u);
  EXPECT_EQ(r.bad[0].line, 7);

  // Pasted into a web form: no START-OF-LOG:, free text around the QSO: lines.
  Recorded pasted;
  ReadCabrillo("My log:\n\n QSO: 14025 CW 2025-03-29 0000 UT5XX 599 1 DL1ABC 599 2\n73 de UT5XX\n", pasted);
  EXPECT_EQ(pasted.contacts.size(), 1u);
  ASSERT_EQ(pasted.bad.size(), 1u);  // no END-OF-LOG: the text after it may be a damaged QSO: line
  EXPECT_EQ(pasted.bad[0].line, 4);
}

TEST(ContactFileTest, DetectsTheFormatAndNamesTheBadLine) {
  EXPECT_EQ(DetectLogFormat("\n START-OF-LOG: 3.0\n"), LogFormat::Cabrillo);
  EXPECT_EQ(DetectLogFormat("QSO: 14025 CW 2025-03-29 0000 A 599 1 B 599 2\n"), LogFormat::Cabrillo);
  EXPECT_EQ(DetectLogFormat("exported by a logger <version 2>\n<EOH>\n<CALL:4>K1AB<eor>"), LogFormat::Adif);
  EXPECT_EQ(DetectLogFormat("# sample\nUR5ABC\t20M\tCW\t\tUR\tUR5\tEU\n"), LogFormat::Sample);
  EXPECT_EQ(DetectLogFormat("\xEF\xBB\xBFSTART-OF-LOG: 3.0\n"), LogFormat::Cabrillo);
  EXPECT_EQ(DetectLogFormat("# exported\n# by hand\nSTART-OF-LOG: 3.0\n"), LogFormat::Cabrillo);
  EXPECT_EQ(DetectLogFormat("My log:\n\n  qso: 14025 CW 2025-03-29 0000 A 599 1 B 599 2\n"),
            LogFormat::Cabrillo);
  EXPECT_EQ(DetectLogFormat("\xEF\xBB\xBF<ADIF_VER:5>3.1.4<EOH>"), LogFormat::Adif);
  EXPECT_EQ(DetectLogFormat("\xEF\xBB\xBFUR5ABC\t20M\tCW\t\tUR\tUR5\tEU\n"), LogFormat::Sample);
  EXPECT_EQ(DetectLogFormat(std::string(70000, '\n') + "QSO: 14025 CW\n"), std::nullopt);
  EXPECT_EQ(DetectLogFormat("just some text\n"), std::nullopt);
  EXPECT_EQ(DetectLogFormat(""), std::nullopt);

  try {
    ReadContacts("station\tDL5XY\tDL\nUR5ABC\t20M\tCW\n");
    FAIL();
  } catch (const ContactFileError& e) {
    EXPECT_EQ(std::string(e.what()), "line 2: a contact has seven tab-separated fields");
  }
  EXPECT_THROW(ReadContacts("just some text\n"), ContactFileError);
  EXPECT_THROW(ReadContactFile("/nonexistent/file.log"), ContactFileError);
}

// `utf8` as a Windows tool saves it: UTF-16 behind a byte order mark.
std::string Utf16(const std::string& utf8, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  const auto unit = [&](std::uint32_t u) {
    const char high = static_cast<char>(u >> 8), low = static_cast<char>(u & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t size = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::uint32_t c = size == 1 ? lead : lead & (0x7F >> size);
    for (std::size_t k = 1; k < size; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    i += size;
    if (c < 0x10000) {
      unit(c);
    } else {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return out;
}

// What a reader reports, one text an event.
std::vector<std::string> Events(std::string_view text) {
  struct Texts final : ContactSink {
    std::vector<std::string> all;
    void Station(const std::string& call, const std::string& prefix) override {
      all.push_back("S " + call + " " + prefix);
    }
    void Add(const Contact& c, int line) override {
      all.push_back(std::to_string(line) + " " + c.callSign + " " + c.band + " " + c.mode + " " + c.report +
                    " " + c.dxccPrefix);
    }
    void BadLine(const LogLineError& e) override { all.push_back("!" + std::to_string(e.line) + " " + e.message); }
  } texts;
  const std::optional<LogFormat> format = DetectLogFormat(text);
  if (format) ReadLog(text, *format, texts);
  return texts.all;
}

// UTF-16 logs, in either byte order, read exactly as the same text in
// UTF-8: format, contacts, bad lines and their numbers.
TEST(LogTextTest, Utf16LogsReadAsTheSameTextInUtf8) {
  const std::string logs[] = {
      "# \xC3\xA9t\xC3\xA9 \xF0\x9F\x93\xBB\r\nSTART-OF-LOG: 3.0\r\nCALLSIGN: UT5XX\r\n"
      "QSO: 14025 CW 2025-03-29 0000 UT5XX 599 1 DL1ABC 599 1234\r\nQSO: 14500 CW\r\nEND-OF-LOG:\r\n",
      "\xEF\xBB\xBF<ADIF_VER:5>3.1.4<EOH>\n<CALL:6>UR5ABC<BAND:3>20m<MODE:2>CW<NAME:6>J\xC3\xBCrgen "
      "<Seq (S):3>001<SRX:4>0042<EOR>\n<CALL:5>K1ABC<MODE:2>CW<EOR>\n",
      "station\tDL5XY\tDL\nUR5ABC\t20M\tCW\t599 1234\tUR\tUR5\tEU\nbroken\n",
  };
  for (const std::string& utf8 : logs) {
    const std::vector<std::string> expected = Events(utf8);
    ASSERT_GE(expected.size(), 2u) << utf8;
    EXPECT_EQ(Events(Utf16(utf8, false)), expected) << utf8;
    EXPECT_EQ(Events(Utf16(utf8, true)), expected) << utf8;
  }
  // The stand-in host's contact files too.
  EXPECT_EQ(ReadContacts(Utf16(logs[2].substr(0, logs[2].find("broken")), true)).contacts.at(0).report,
            "599 1234");
}

// Half a character cannot become text: its line is reported where it
// stands and passed over, never read with a stand-in character.
TEST(LogTextTest, WhatNoTextHoldsIsReportedAtItsLine) {
  const std::string qso = "QSO: 14025 CW 2025-03-29 0000 UT5XX 599 1 DL1ABC 599 1234\n";
  std::string log = Utf16("START-OF-LOG: 3.0\n" + qso + "QSO: 14025 CW 2025-03-29 0000 UT5XX 599 1 ", false);
  log += std::string("\x3D\xD8", 2) + Utf16("K1ABC 599 1\n" + qso + "QSO: 14025", false).substr(2) + "X";
  EXPECT_EQ(Events(log),
            (std::vector<std::string>{
                "2 DL1ABC 20M CW 599 1234 DL",
                "!3 half of a UTF-16 character alone (surrogate D83D), which no text can hold",
                "4 DL1ABC 20M CW 599 1234 DL",
                "!5 the file ends in half a UTF-16 character, which no text can hold"}));
  const LogText text(log);
  EXPECT_EQ(text.Text(), "START-OF-LOG: 3.0\n" + qso + "\n" + qso);
}

// Every reader places its calls, the station's among them, with the
// country file it is given; without one, with the compiled-in file.
TEST(ContactFileTest, ReadersPlaceCallsWithTheCountryFileGiven) {
  const CountryFile own("Testland: 1: 1: OC: 0: 0: 0: T7:\n    UR,K;\n");
  const CountryData data = own.Data();
  const std::string cabrillo =
      "START-OF-LOG: 3.0\nCALLSIGN: K1XX\n"
      "QSO: 14025 CW 2025-03-29 0000 K1XX 599 1 UR5ABC 599 1234\n"
      "QSO: 14025 CW 2025-03-29 0001 K1XX 599 2 DL1ABC 599 1235\n";
  const std::string adif =
      "<STATION_CALLSIGN:4>K1XX<CALL:6>UR5ABC<BAND:3>20m<MODE:2>CW<EOR>\n"
      "<CALL:6>DL1ABC<BAND:3>20m<MODE:2>CW<EOR>\n";
  for (const std::string& log : {cabrillo, adif}) {
    SCOPED_TRACE(log);
    const ContactFile placed = ReadContacts(log, data);
    EXPECT_EQ(placed.stationPrefix, "T7");
    ASSERT_EQ(placed.contacts.size(), 2u);
    EXPECT_EQ(placed.contacts[0].dxccPrefix, "T7");
    EXPECT_EQ(placed.contacts[0].continent, "OC");
    EXPECT_EQ(placed.contacts[1].dxccPrefix, "");
    EXPECT_TRUE(placed.contacts[1].unknownCall);

    Recorded r;
    ReadLog(log, *DetectLogFormat(log), r, data);
    EXPECT_EQ(r.station, (std::vector<std::string>{"K1XX", "T7"}));
    ASSERT_EQ(r.contacts.size(), 2u);
    EXPECT_EQ(r.contacts[0].second.dxccPrefix, "T7");

    const ContactFile builtIn = ReadContacts(log);
    EXPECT_EQ(builtIn.stationPrefix, "K");
    ASSERT_EQ(builtIn.contacts.size(), 2u);
    EXPECT_EQ(builtIn.contacts[0].dxccPrefix, "UR");
    EXPECT_EQ(builtIn.contacts[1].dxccPrefix, "DL");
  }
}

TEST(SampleLog, ScoresToAStableReport) {
  const ContactFile f = ReadContactFile(VARNHOLT_SOURCE_DIR "/data/sample.log");
  ASSERT_GE(f.contacts.size(), 200u);
  AsciiKeyCollation collation;
  ContestScore score(collation);
  int duplicates = 0;
  for (const Contact& c : f.contacts) {
    const QsoView qso{c.callSign, c.band, c.mode, c.report, c.dxccPrefix, f.stationPrefix};
    if (score.ScoreQso(qso, ScoreMode::Record) == kDuplicate) ++duplicates;
  }
  EXPECT_GT(duplicates, 0);  // the sample is meant to hold some
  EXPECT_GE(score.BandStatistics().size(), 5u);
  const std::string report = StatisticsText(score.BandStatistics());
  EXPECT_EQ(report.rfind("Band\t", 0), 0u);
  EXPECT_NE(report.find(" Score: "), std::string::npos);
}

}  // namespace
}  // namespace varnholt
