#include <gtest/gtest.h>

#include "logfiles/Adif.h"
#include "logfiles/Cabrillo.h"
#include "logfiles/ContactTime.h"

namespace varnholt {
namespace {

// 2025-03-29 00:00 UTC.
constexpr UtcSeconds kContestStart = 1743206400;

TEST(ContactTimeTest, ReadsTheCalendarAndTheClockOrSaysWhatIsWrong) {
  UtcSeconds utc = 0;
  EXPECT_EQ(ReadCabrilloTime("2025-03-29", "0000", utc), "");
  EXPECT_EQ(utc, kContestStart);
  EXPECT_EQ(ReadAdifTime("20250330", "235959", utc), "");
  EXPECT_EQ(utc, kContestStart + 2 * kSecondsPerDay - 1);
  EXPECT_EQ(ReadAdifTime("20240229", "1200", utc), "");  // a leap day
  EXPECT_EQ(UtcText(utc), "2024-02-29 12:00");
  EXPECT_EQ(ReadAdifTime("19000101", "0000", utc), "");
  EXPECT_EQ(UtcIsoText(utc), "1900-01-01T00:00:00Z");
  EXPECT_EQ(UtcText(kContestStart + 61), "2025-03-29 00:01:01");

  const std::pair<std::pair<const char*, const char*>, const char*> cabrillo[] = {
      {{"0000-03-29", "0000"}, "no year 0"},
      {{"2025-13-29", "0000"}, "no month 13"},
      {{"2025-00-29", "0000"}, "no month 0"},
      {{"2025-03-32", "0000"}, "no day 32 in month 3 of 2025"},
      {{"2025-02-29", "0000"}, "no day 29 in month 2 of 2025"},
      {{"2025-03-29", "2500"}, "no hour 25"},
      {{"2025-03-29", "2400"}, "no hour 24"},
      {{"2025-03-29", "0060"}, "no minute 60"},
      {{"1899-12-31", "2359"}, "a year before 1900"},
      {{"25-03-29", "0000"}, "not a date (yyyy-mm-dd)"},
      {{"2025/03/29", "0000"}, "not a date (yyyy-mm-dd)"},
      {{"2025-03-2x", "0000"}, "not a date (yyyy-mm-dd)"},
      {{"2025-03-29", "000"}, "not a time of day (hhmm)"},
      {{"2025-03-29", "00:00"}, "not a time of day (hhmm)"},
  };
  for (const auto& [fields, why] : cabrillo) EXPECT_EQ(ReadCabrilloTime(fields.first, fields.second, utc), why);
  EXPECT_EQ(ReadAdifTime("20250329", "000060", utc), "no second 60");
  EXPECT_EQ(ReadAdifTime("20250329", "00000", utc), "not a time of day (HHMM or HHMMSS)");
  EXPECT_EQ(ReadAdifTime("2025-03-29", "0000", utc), "not a date (YYYYMMDD)");
  EXPECT_EQ(HourStart(kContestStart + 3599), kContestStart);
  EXPECT_EQ(HourStart(-1), -kSecondsPerHour);  // before 1970 too
}

struct Recorded final : ContactSink {
  std::vector<Contact> contacts;
  std::vector<std::string> events;  // "LINE CALL" a contact, "~LINE message" damage that cost none
  void Station(const std::string&, const std::string&) override {}
  void Add(const Contact& c, int line) override {
    contacts.push_back(c);
    events.push_back(std::to_string(line) + " " + c.callSign);
  }
  void BadLine(const LogLineError& e) override {
    events.push_back((e.contactCounted ? "~" : "!") + std::to_string(e.line) + " " + e.message);
  }
};

// A contact whose time cannot be read still counts: it reaches the sink
// without a time, followed by its damage.
TEST(ContactTimeTest, CabrilloReadsTimesAndTransmitters) {
  Recorded r;
  ReadCabrillo(
      "START-OF-LOG: 3.0\n"
      "QSO: 14025 CW 2025-03-29 0001 UT5XX 599 1 DL1ABC 599 2 1\n"
      "QSO: 14025 CW 2025-13-29 0002 UT5XX 599 2 DL2ABC 599 3 0\n"
      "QSO: 14025 CW 2025-03-29 2561 UT5XX 599 3 DL3ABC 599 4\n"
      "QSO: 14025 CW 2025-03-29 0003 UT5XX 599 1234 DL4ABC\n",  // fields that do not pair up
      r);
  EXPECT_EQ(r.events, (std::vector<std::string>{
                          "2 DL1ABC", "3 DL2ABC",
                          "~3 date and time 2025-13-29 0002: no month 13; the contact is left out of the time analysis",
                          "4 DL3ABC",
                          "~4 date and time 2025-03-29 2561: no hour 25; the contact is left out of the time analysis",
                          "5 DL4ABC"}));
  ASSERT_EQ(r.contacts.size(), 4u);
  EXPECT_EQ(r.contacts[0].utc, kContestStart + 60);
  EXPECT_EQ(r.contacts[0].transmitter, "1");
  EXPECT_FALSE(r.contacts[1].utc.has_value());
  EXPECT_EQ(r.contacts[1].transmitter, "0");
  EXPECT_EQ(r.contacts[2].transmitter, "");
  EXPECT_EQ(r.contacts[3].utc, kContestStart + 180);
  EXPECT_EQ(r.contacts[3].transmitter, "");
}

std::string F(const std::string& name, const std::string& data) {
  return "<" + name + ":" + std::to_string(data.size()) + ">" + data;
}

std::string Qso(const std::string& call, const std::string& time) {
  return F("CALL", call) + F("BAND", "20m") + F("MODE", "CW") + time + "<EOR>\n";
}

TEST(ContactTimeTest, AdifTimesEveryContactOnceItTimesOne) {
  Recorded timed;
  ReadAdif(Qso("K1ABC", F("qso_date", "20250329") + F("TIME_ON", "000130")) +
               Qso("K2ABC", F("QSO_DATE", "20250329")) +                       // no TIME_ON
               Qso("K3ABC", F("QSO_DATE", "20251301") + F("TIME_ON", "0000")) +  // no month 13
               Qso("K4ABC", "<QSO_DATE:7>20250329 <TIME_ON:4>0002"),  // a length short of its value
           timed);
  const std::string leftOut = std::string("; ") + kLeftOutOfTimes;
  EXPECT_EQ(timed.events, (std::vector<std::string>{
                              "1 K1ABC", "2 K2ABC", "~2 a record without TIME_ON (K2ABC)" + leftOut, "3 K3ABC",
                              "~3 QSO_DATE 20251301 TIME_ON 0000 (K3ABC): no month 13" + leftOut, "4 K4ABC",
                              "~4 the time of K4ABC lies where damage reaches" + leftOut,
                              "~4 field QSO_DATE: its value runs on past its length 7 (20250329)"}));
  EXPECT_EQ(timed.contacts.at(0).utc, kContestStart + 90);

  // A log that times no contact is read without times, and without damage.
  Recorded untimed;
  ReadAdif(Qso("K1ABC", "") + Qso("K2ABC", ""), untimed);
  EXPECT_EQ(untimed.events, (std::vector<std::string>{"1 K1ABC", "2 K2ABC"}));
}

}  // namespace
}  // namespace varnholt
