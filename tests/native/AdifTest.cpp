#include "logfiles/Adif.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logfiles/PrefixTable.h"

namespace varnholt {
namespace {

// What the reader reports, one text per event: "S CALL" for the station,
// "LINE CALL BAND MODE|REPORT" for a contact, "!LINE" for a bad line, "~LINE"
// for damage that cost no contact.
struct Events final : ContactSink {
  std::vector<std::string> all;
  std::vector<Contact> contacts;
  std::vector<std::string> stationPrefixes, messages;
  void Station(const std::string& call, const std::string& prefix) override {
    all.push_back("S " + call);
    stationPrefixes.push_back(prefix);
  }
  void Add(const Contact& c, int line) override {
    all.push_back(std::to_string(line) + " " + c.callSign + " " + c.band + " " + c.mode + "|" + c.report);
    contacts.push_back(c);
  }
  void BadLine(const LogLineError& e) override {
    all.push_back((e.contactCounted ? "~" : "!") + std::to_string(e.line));
    messages.push_back(e.message);
  }
};

Events Read(const std::string& text) {
  Events events;
  ReadAdif(text, events);
  return events;
}

// One field with its length counted: F("CALL", "K1ABC") is "<CALL:5>K1ABC".
std::string F(const std::string& name, const std::string& data) {
  return "<" + name + ":" + std::to_string(data.size()) + ">" + data;
}

std::string Qso(const std::string& call, const std::string& extra = "") {
  return F("CALL", call) + F("BAND", "20m") + F("MODE", "CW") + extra + "<EOR>\n";
}

struct Case {
  const char* what;
  std::string text;
  std::vector<std::string> events;
};

TEST(AdifTest, ReadsRecords) {
  const Case cases[] = {
      {"free-text header with stray '<' and a field-like text",
       "Log of DL1ABC <3 a<b <x> " + F("CALL", "ZZ1ZZ") + "\n<Eoh>\n" + Qso("K1ABC"),
       {"3 K1ABC 20M CW|"}},
      {"no header", Qso("K1ABC") + Qso("K2ABC"), {"1 K1ABC 20M CW|", "2 K2ABC 20M CW|"}},
      {"header of fields",
       F("ADIF_VER", "3.1.4") + "\n" + F("PROGRAMID", "x") + "<EOH>\n\n" + Qso("K1ABC"),
       {"4 K1ABC 20M CW|"}},
      {"tags in any case, type indicator, last record without <eor>",
       "<call:5:S>k1abc <bAnD:4>70cm <Mode:3>ssb <eOr>\n<CALL:5:S>N0ABC<BAND:3>40M<MODE:3>FT8",
       {"1 K1ABC 70CM SSB|", "2 N0ABC 40M FT8|"}},
      {"data holding '<', <eor> and line breaks",
       F("NOTES", "a <eor>\n<CALL:5>\nb") + Qso("K1ABC") + Qso("K2ABC"),
       {"1 K1ABC 20M CW|", "4 K2ABC 20M CW|"}},
      {"blanks around values",
       F("CALL", " k1abc \t") + F("BAND", " 20m ") + F("MODE", "CW\r\n") + F("RST_RCVD", "599 ") + "<EOR>",
       {"1 K1ABC 20M CW|599"}},
      {"BAND before FREQ, FREQ without BAND, FREQ on no band",
       F("CALL", "K1A") + F("BAND", "40M") + F("FREQ", "14.025") + F("MODE", "CW") + "<EOR>\n" +
           F("CALL", "K2A") + F("FREQ", " 14.025 ") + F("MODE", "CW") + "<EOR>\n" + F("CALL", "K3A") +
           F("FREQ", "12.000") + F("MODE", "CW") + "<EOR>\n" + F("CALL", "K4A") + F("FREQ", "14,0") +
           F("MODE", "CW") + "<EOR>\n",
       {"1 K1A 40M CW|", "2 K2A 20M CW|", "!3", "!4"}},
      {"BAND from the table, else FREQ; LF and microwave bands",
       F("CALL", "K1A") + F("BAND", "630m") + F("MODE", "CW") + "<EOR>\n" + F("CALL", "K2A") +
           F("BAND", "20 m") + F("FREQ", "0.1375") + F("MODE", "CW") + "<EOR>\n" + F("CALL", "K3A") +
           F("BAND", "x") + F("MODE", "CW") + "<EOR>\n" + F("CALL", "K4A") + F("FREQ", "10368.1") +
           F("MODE", "CW") + "<EOR>\n",
       {"1 K1A 630M CW|", "2 K2A 2190M CW|", "!3", "4 K4A 3CM CW|"}},
      {"exchange from SRX_STRING, else SRX",
       Qso("K1A", F("RST_RCVD", "599") + F("SRX", "7") + F("SRX_STRING", "1234")) +
           Qso("K2A", F("RST_RCVD", "599") + F("SRX", "7") + F("SRX_STRING", " ")) +
           Qso("K3A", F("SRX_STRING", "1234")) + Qso("K4A", F("RST_RCVD", "59")),
       {"1 K1A 20M CW|599 1234", "2 K2A 20M CW|599 7", "3 K3A 20M CW|1234", "4 K4A 20M CW|59"}},
      {"missing CALL, MODE or band",
       Qso("K1A") + "\n" + F("BAND", "20M") + F("MODE", "CW") + "<EOR>\n" + F("CALL", "K2A") +
           F("BAND", "20M") + "<EOR>\n" + F("CALL", "K3A") + F("MODE", "CW") + "<EOR>\n" + Qso("K4A"),
       {"1 K1A 20M CW|", "!3", "!4", "!5", "6 K4A 20M CW|"}},
      {"length not a number skips that record only",
       Qso("K1A") + "<CALL:x>K2A" + F("BAND", "20M") + F("MODE", "CW") + "<EOR>\n" + Qso("K3A"),
       {"1 K1A 20M CW|", "!2", "3 K3A 20M CW|"}},
      {"field running past the end", Qso("K1A") + "\n<CALL:20>K2ABC", {"1 K1A 20M CW|", "!3"}},
      {"tag cut off at the end", Qso("K1A") + "<CALL:2", {"1 K1A 20M CW|", "!2"}},
      {"the first STATION_CALLSIGN or OPERATOR names the station, once",
       Qso("K1A") + Qso("K2A", F("OPERATOR", "dl2xy ")) + Qso("K3A", F("STATION_CALLSIGN", "DL1ABC")),
       {"1 K1A 20M CW|", "S DL2XY", "2 K2A 20M CW|", "3 K3A 20M CW|"}},
      {"STATION_CALLSIGN before OPERATOR",
       Qso("K1A", F("OPERATOR", "DL2XY") + F("STATION_CALLSIGN", "DL1ABC")),
       {"S DL1ABC", "1 K1A 20M CW|"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.text).all, c.events) << c.what;
}

TEST(AdifTest, BadLinesSayWhatIsWrong) {
  const Events e = Read(F("BAND", "20M") + "<EOR>" + F("CALL", "K1A") + "<EOR>" + F("CALL", "K1A") +
                        F("MODE", "CW") + "<EOR>" + "<CALL:5>K1");
  ASSERT_EQ(e.messages.size(), 4u);
  EXPECT_NE(e.messages[0].find("CALL"), std::string::npos) << e.messages[0];
  EXPECT_NE(e.messages[1].find("MODE"), std::string::npos) << e.messages[1];
  EXPECT_NE(e.messages[2].find("BAND"), std::string::npos) << e.messages[2];
  EXPECT_NE(e.messages[3].find("end of the file"), std::string::npos) << e.messages[3];
}

// A damaged export: every record that cannot be read is reported at its
// line, each lost call by name, and the records around them are read.
TEST(AdifTest, DamagedRecordsAreEachReported) {
  const Events e = Read(Qso("UR5ABC") +
                        "CALL:6>UR5ABD <BAND:3>20m <MODE:2>CW <EOR>\n"  // lost its '<'
                        "<CALL:6UR5ABE <BAND:3>20m <MODE:2>CW <EOR>\n"  // lost its '>'
                        "<CALL:6>UR5ABF <BAND:3>20m <MODE:2>CW\n"       // three records, one <EOR>
                        "<CALL:6>UR5ABG <BAND:3>20m <MODE:2>CW <EOR\n"
                        "<CALL:6>UR5ABH <BAND:3>20m <MODE:2>CW <EOR>\n" +
                        Qso("UR5ABI"));
  EXPECT_EQ(e.all,
            (std::vector<std::string>{"1 UR5ABC 20M CW|", "!2", "!3", "!4", "!5", "!6", "7 UR5ABI 20M CW|"}));
  ASSERT_EQ(e.messages.size(), 5u);
  EXPECT_EQ(e.messages[0], "field CALL lost its '<' (CALL:6>)");
  EXPECT_EQ(e.messages[1], "field CALL: no '>' after its length");
  EXPECT_EQ(e.messages[2], "CALL UR5ABF: 3 records run together without <EOR> (lines 4-6)");
  EXPECT_EQ(e.messages[4], "CALL UR5ABH: 3 records run together without <EOR> (lines 4-6)");
}

// Field names as exporters write their own fields, with spaces inside them:
// read by their length like any other field, never taken for damage.
TEST(AdifTest, FieldNamesMayHoldSpaces) {
  const Case cases[] = {
      {"user fields of a general logger",
       "<CALL:6>UR5ABC <BAND:3>20m <MODE:2>CW <Seq (S):3>001 <Seq (R):3>792 <EOR>\n" +
           Qso("K1A", F("APP_MYLOG_Op Name", "Ivan") + F("My [x] #1", "y") + F("Seq (R)", "<EOR>")),
       {"1 UR5ABC 20M CW|", "2 K1A 20M CW|"}},
      {"a spaced name's data never starts a tag",
       Qso("K1A", F("APP_MYLOG_Op Name", "<CALL:5>K9XYZ<eor>")), {"1 K1A 20M CW|"}},
      {"a blank at a name's end makes no tag; a comma or brace in it still makes a field",
       "<CALL :3>K1A" + Qso("K2A") + Qso("K3A", "< CALL:3>K4A") + F("CALL", "K5A") + "<A,B:5>K6A<>" +
           "<{x}:2>xy" + F("BAND", "20m") + F("MODE", "CW") + "<EOR>",
       {"1 K2A 20M CW|", "!2", "3 K5A 20M CW|"}},
      {"a spaced name with a bad length, and one that lost its '<'",
       Qso("K1A", "<Seq (S):x>001") + Qso("K2A", " Seq (S):3>001") + Qso("K3A"),
       {"1 K1A 20M CW|", "~1", "2 K2A 20M CW|", "~2", "3 K3A 20M CW|"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.text).all, c.events) << c.what;
  EXPECT_EQ(Read(Qso("K1A", "<Seq (S):x>001") + Qso("K2A", " Seq (S):3>001")).messages,
            (std::vector<std::string>{"field Seq (S): its length is not a number",
                                      "field Seq (S) lost its '<' (Seq (S):3>)"}));
}

// A field's length with its own count: FL("SRX_STRING", "Köln", 4).
std::string FL(const std::string& name, const std::string& data, int length) {
  return "<" + name + ":" + std::to_string(length) + ">" + data;
}

// Exporters that count the characters of a UTF-8 value instead of its
// bytes: the value is read by characters where they end it exactly, and is
// never read short.
TEST(AdifTest, LengthsInCharactersAreReadWhereTheyEndTheValue) {
  const auto srx = [](const std::string& field) { return Qso("K1A", F("RST_RCVD", "599") + field); };
  const Case cases[] = {
      {"characters: the bytes stop before the rest",
       srx(FL("SRX_STRING", "K\xC3\xB6ln", 4) + " ") + srx(FL("SRX_STRING", "K\xC3\xB6ln", 4)) +
           srx(FL("SRX_STRING", "J\xC3\xBC", 2) + "\t") + srx(FL("SRX_STRING", "\xD0\x96\xD0\x96" "a b", 5)),
       {"1 K1A 20M CW|599 K\xC3\xB6ln", "2 K1A 20M CW|599 K\xC3\xB6ln", "3 K1A 20M CW|599 J\xC3\xBC",
        "4 K1A 20M CW|599 \xD0\x96\xD0\x96" "a b"}},
      {"bytes, in UTF-8 or a single-byte code, and text between fields",
       srx(F("SRX_STRING", "K\xC3\xB6ln") + " note ") + srx(F("SRX_STRING", "K\xF6ln")) +
           srx(FL("SRX_STRING", "K\xC3\xB6l", 4)),
       {"1 K1A 20M CW|599 K\xC3\xB6ln", "2 K1A 20M CW|599 K\xF6ln", "3 K1A 20M CW|599 K\xC3\xB6l"}},
      {"neither count ends the value",
       srx(FL("SRX_STRING", "12345", 4)) + srx(FL("SRX_STRING", "J\xC3\xBCx", 2)) +
           srx(FL("SRX_STRING", "K\xF6ln", 2)) + Qso("K2A"),
       {"!1", "!2", "!3", "4 K2A 20M CW|"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.text).all, c.events) << c.what;
  EXPECT_EQ(Read(srx(FL("SRX_STRING", "12345", 4)) + srx(FL("SRX_STRING", "J\xC3\xBCx", 2))).messages,
            (std::vector<std::string>{"field SRX_STRING: its value runs on past its length 4 (12345)",
                                      "field SRX_STRING: its length 2 cuts a character in two (J\xC3\xBCx)"}));
}

// Damage costs only what it touches: a record whose contact is made of
// fields read whole, before any damaged length could reach over them,
// counts, and its damage is reported after it.
TEST(AdifTest, DamageOutsideTheContactCostsNoContact) {
  const std::string contact = F("CALL", "K1A") + F("BAND", "20m") + F("MODE", "CW");
  const Case cases[] = {
      {"a length short of its value, after the contact's fields or before some of them",
       "<CALL:6>UR5ABC <BAND:3>20m <MODE:2>CW <RST_RCVD:3>599 <SRX:4>1234 <STATION_CALLSIGN:5>DL5XY "
       "<PROP_MODE:2>SAT <EOR>\n"
       "<BAND:3>20m <CALL:5>K2ABC <MODE:2>CW <PROP_MODE:2>SAT <RST_RCVD:3>599 <SRX:2>12 <EOR>\n",
       {"S DL5XY", "1 UR5ABC 20M CW|599 1234", "~1", "2 K2ABC 20M CW|599 12", "~2"}},
      {"a lost '<' or '>', a length that is no number, a tag the length reaches over",
       Qso("K1A", " PROP_MODE:3>SAT") + Qso("K2A", "<PROP_MODE:3SAT ") + Qso("K3A", "<WEB:x>a") +
           Qso("K4A", "<WEB:9>a.b<NOTES:1>x "),
       {"1 K1A 20M CW|", "~1", "2 K2A 20M CW|", "~2", "3 K3A 20M CW|", "~3", "4 K4A 20M CW|", "~4"}},
      {"damage in a field the contact is made of",
       Qso("K1A", "<SRX:3>1234") + Qso("K2A", "<DXCC:x>230") + Qso("K3A", "<SRX:41234") +
           Qso("K4A", " PROP_MODE:3>SAT STATION_CALLSIGN:5>DL5XY") + Qso("K5A", FL("PROP_MODE", "SAT", 4)),
       {"!1", "!2", "!3", "!4", "!5"}},
      {"a length reaching over one of them, or over the <eor>",
       contact + "<WEB:9>a.b<SRX:4>1234 <EOR>\n" + contact + "<WEB:5>a.b<EOR>\n" + Qso("K2A"),
       {"!1", "!2", "3 K2A 20M CW|"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.text).all, c.events) << c.what;
  EXPECT_EQ(Read(Qso("K1A", "<PROP_MODE:2>SAT")).messages,
            std::vector<std::string>{"field PROP_MODE: its value runs on past its length 2 (SAT)"});
}

// Multi-line values whose lengths counted each line break as CR LF, in a
// file that holds LF alone: read so where that count ends them exactly.
TEST(AdifTest, LineBreaksCountedAsCrLf) {
  const Case cases[] = {
      {"ending at a tag, a blank or the end; bytes or characters; CR LF kept in part",
       Qso("K1A", FL("NOTES", "a\nb\nc", 7) + F("SRX", "1")) +
           Qso("K2A", FL("NOTES", "a\r\nb\nc\nd", 10) + " ") + Qso("K3A", FL("NOTES", "J\xC3\xBC\nx", 5)) +
           F("CALL", "K4A") + F("BAND", "20m") + F("MODE", "CW") + FL("NOTES", "a\nb", 4),
       {"1 K1A 20M CW|1", "4 K2A 20M CW|", "8 K3A 20M CW|", "10 K4A 20M CW|"}},
      {"a count that ends no value exactly is reported",
       Qso("K1A", FL("NOTES", "a\nb\nc", 6) + F("SRX", "1")) +
           Qso("K2A", FL("NOTES", "ab", 4) + F("SRX", "1")),
       {"!1", "!4"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.text).all, c.events) << c.what;
  EXPECT_EQ(Read(Qso("K1A", FL("NOTES", "a\r\nb\nc", 5))).messages,  // one report, one line
            std::vector<std::string>{"field NOTES: its value runs on past its length 5 (a\\r\\nb\\nc)"});
}

TEST(AdifTest, PrefixesComeFromTheDxccCodeOrTheCall) {
  const Events e = Read(Qso("UR5ABC") + Qso("Q1ABC", F("DXCC", "288")) + Qso("UR5ABC", F("DXCC", " 230")) +
                        Qso("DL1ABC", F("DXCC", "230")) + Qso("UR5ABC", F("DXCC", "n/a")) +
                        Qso("DL1ABC", F("STATION_CALLSIGN", "UR5XYZ")));
  ASSERT_EQ(e.contacts.size(), 6u);
  const PrefixInfo ur = LookUpPrefix("UR5ABC", kBuiltInCountryData);
  EXPECT_EQ(ur.dxccPrefix, "UR");
  EXPECT_EQ(e.contacts[0].dxccPrefix, "UR");
  EXPECT_EQ(e.contacts[0].mainPrefix, ur.mainPrefix);
  EXPECT_EQ(e.contacts[0].continent, ur.continent);
  EXPECT_EQ(e.contacts[1].dxccPrefix, "UR");
  EXPECT_EQ(e.contacts[2].dxccPrefix, "");  // Germany never counts as home region
  EXPECT_EQ(e.contacts[2].mainPrefix, ur.mainPrefix);
  EXPECT_EQ(e.contacts[3].dxccPrefix, LookUpPrefix("DL1ABC", kBuiltInCountryData).dxccPrefix);
  EXPECT_EQ(e.contacts[4].dxccPrefix, "UR");
  EXPECT_EQ(e.stationPrefixes, std::vector<std::string>{"UR"});
}

TEST(AdifTest, LooksLikeAdif) {
  const std::string far(64 * 1024, 'x');
  const std::pair<std::string, bool> cases[] = {
      {" \r\n\t<CALL:3>K1A", true}, {"\xEF\xBB\xBF<ADIF_VER:1>3", true}, {"Made by hand\n<eOh>", true},
      {"START-OF-LOG: 3.0\nQSO: 14000 CW", false}, {"a <eo h>", false}, {"", false}, {far + "<EOH>", false},
      {far.substr(5) + "<EOH>", true},
  };
  for (const auto& [text, adif] : cases) EXPECT_EQ(LooksLikeAdif(text), adif) << text.substr(0, 40);
}

}  // namespace
}  // namespace varnholt
