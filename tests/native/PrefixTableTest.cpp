#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "common/HomeRegion.h"
#include "logfiles/ContactFile.h"
#include "logfiles/PrefixTable.h"

namespace varnholt {
namespace {

struct Case {
  const char* call;
  const char* dxcc;
  const char* mainPrefix;  // nullptr: not checked
  const char* continent;   // nullptr: not checked
};

const Case kCases[] = {
    // Russia by district digit; no digit at all is European Russia.
    {"UA3ABC", "UA1", "UA3", "EU"},
    {"RA1AA", "UA1", nullptr, "EU"},
    {"R7AA", "UA1", nullptr, nullptr},
    {"UI6A", "UA1", nullptr, nullptr},
    {"UA2FZ", "UA2", "UA2", "EU"},
    {"RK2FA", "UA2", nullptr, nullptr},
    {"RK2A", "UA1", nullptr, nullptr},  // the country file: only 2F and 2K are Kaliningrad
    {"UA9XX", "UA1", "UA9", "EU"},      // the country file: 9X is Komi, in European Russia
    {"R8TT", "UA9", nullptr, "AS"},
    {"UA9ABC", "UA9", "UA9", "AS"},
    {"RA0FF", "UA9", nullptr, "AS"},
    {"R100ABC", "UA1", nullptr, nullptr},
    {"RI1FJA", "R1FJ", nullptr, "EU"},
    // The rest of the home region.
    {"UR5ABC", "UR", "UR5", "EU"},
    {"EM5A", "UR", nullptr, nullptr},
    {"EM1U", "CE9", nullptr, "SA"},  // listed as a whole call: Ukraine's station in Antarctica
    {"EM1UC/P", "CE9", nullptr, nullptr},
    {"9M6/N1UR", "1S", nullptr, "AS"},  // listed as a whole call: Spratly, not East Malaysia
    {"UT0A", "UR", nullptr, nullptr},
    {"EU1AA", "EW", nullptr, "EU"},
    {"EW8A", "EW", nullptr, nullptr},
    {"UN7AB", "UN", nullptr, "AS"},
    {"UP0L", "UN", nullptr, nullptr},
    {"EX8M", "EX", nullptr, "AS"},
    {"ER1A", "ER", nullptr, "EU"},
    {"EK6A", "EK", nullptr, "AS"},
    {"4J5T", "4J", "4J5", "AS"},
    {"4K9W", "4J", nullptr, nullptr},
    {"EY8MM", "EY", nullptr, "AS"},
    {"UK8AR", "UK", nullptr, "AS"},
    {"UJ8J", "UK", nullptr, nullptr},
    {"EZ8A", "EZ", nullptr, "AS"},
    // Neighbours that are not home region.
    {"4L4WW", "4L", nullptr, nullptr},
    {"YL2AA", "YL", nullptr, nullptr},
    {"LY1A", "LY", nullptr, nullptr},
    {"ES5A", "ES", nullptr, nullptr},
    {"2E0ABC", "G", "2E0", nullptr},
    {"2W0ABC", "GW", "2W0", "EU"},
    {"HC8N", "HC8", "HC8", "SA"},
    {"IT9ABC", "I", nullptr, nullptr},  // Sicily counts for DXCC as Italy
    // Portables.
    {"UR5ABC/P", "UR", "UR5", "EU"},
    {"UR5ABC/M", "UR", nullptr, nullptr},
    {"UR5ABC/QRP", "UR", nullptr, nullptr},
    {"UR5ABC/A", "UR", nullptr, nullptr},
    {"UR5ABC/LH", "UR", nullptr, nullptr},
    {"UR5ABC/MM", "", "UR5", ""},
    {"UA9ABC/AM", "", nullptr, ""},
    {"DL/UA9XX", "DL", "DL", "EU"},
    {"UA9XX/DL", "DL", nullptr, nullptr},
    {"UA/DL1ABC", "UA1", "UA", "EU"},
    {"UA9/DL1ABC", "UA9", nullptr, "AS"},
    {"EA8/UR5ABC", "EA8", nullptr, "AF"},
    {"DL/UR5ABC/P", "DL", nullptr, nullptr},
    {"UR5ABC/DL/P", "DL", nullptr, nullptr},
    {"K1ABC/4", "K", "K4", "NA"},
    {"UA9ABC/1", "UA1", "UA1", "EU"},
    {"UA3ABC/9", "UA9", "UA9", "AS"},
    {"R2ABC/3", "UA1", nullptr, nullptr},
    {"UA3ABC/2/P", "UA2", nullptr, nullptr},
    {"/UR5ABC/", "UR", nullptr, nullptr},
    // Case, blanks, unknown calls and garbage.
    {"ur5abc", "UR", "UR5", "EU"},
    {"  ua9abc/p \t", "UA9", nullptr, nullptr},
    {"QQ1X", "", nullptr, ""},
    {"", "", "", ""},
    {"/", "", "", ""},
    {"//", "", "", ""},
    {"123", "", "", ""},
    {"123/4", "", "", ""},
    {"\xC3\x84\xC3\x96", "", "", ""},
    {"UR5 ABC", "", "", ""},
    {"UR5ABC/P/P/P/P/P/P/P", "", "", ""},
    {"UA1AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", "", "", ""},
};

TEST(PrefixTableTest, ResolvesTrickyCalls) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string("call '") + c.call + "'");
    const PrefixInfo info = LookUpPrefix(c.call, kBuiltInCountryData);
    EXPECT_EQ(info.dxccPrefix, c.dxcc);
    if (c.mainPrefix != nullptr) {
      EXPECT_EQ(info.mainPrefix, c.mainPrefix);
    }
    if (c.continent != nullptr) {
      EXPECT_EQ(info.continent, c.continent);
    }
  }
}

TEST(PrefixTableTest, EveryHomeRegionPrefixIsReached) {
  std::set<std::string> reached;
  for (const Case& c : kCases) {
    const std::string dxcc = LookUpPrefix(c.call, kBuiltInCountryData).dxccPrefix;
    if (IsHomeRegionPrefix(dxcc)) reached.insert(dxcc);
  }
  for (std::size_t start = 1; start < kHomeRegionList.size();) {
    const std::size_t end = kHomeRegionList.find(':', start);
    const std::string prefix(kHomeRegionList.substr(start, end - start));
    EXPECT_EQ(reached.count(prefix), 1u) << prefix;
    start = end + 1;
  }
}

TEST(PrefixTableTest, HomeRegionEntities) {
  const std::pair<int, const char*> kEntities[] = {
      {54, "UA1"}, {15, "UA9"}, {126, "UA2"}, {288, "UR"}, {27, "EW"}, {130, "UN"}, {135, "EX"},
      {179, "ER"}, {14, "EK"},  {18, "4J"},   {262, "EY"}, {292, "UK"}, {280, "EZ"},
  };
  for (const auto& [entity, prefix] : kEntities) {
    ASSERT_NE(HomeRegionPrefixOfEntity(entity), nullptr) << entity;
    EXPECT_STREQ(HomeRegionPrefixOfEntity(entity), prefix) << entity;
    EXPECT_TRUE(IsHomeRegionPrefix(prefix)) << prefix;
  }
  // Georgia, Estonia, Latvia, Lithuania, Germany, Franz Josef Land, nonsense.
  for (int entity : {75, 52, 145, 146, 230, 61, 0, -1, 999}) {
    EXPECT_EQ(HomeRegionPrefixOfEntity(entity), nullptr) << entity;
  }
}

// A country file of our own: the rules' names for two countries, zones,
// a continent of its own, whole calls, a country that is not one for DXCC.
TEST(CountryFileTest, ReadsCountriesPrefixesAndWholeCalls) {
  const CountryFile file(
      "Ukraine:                  16:  29:  EU:   50.00:   -30.00:    -2.0:  UR:\r\n"
      "    EM,UR,=EM1U/X{AN},\r\n    =UR1X;\r\n"
      "European Russia: 16: 29: EU: 53.65: -41.37: -4.0: UA:\n    R,U,=R9AB/1(17)[19];\n"
      "Belarus: 16: 29: EU: 54.00: -28.00: -2.0: EU:\n    EU,EV,EW;\n"
      "Sicily: 15: 28: EU: 37.50: -14.00: -1.0: *IT9:\n    IT9,=UR1X;\n"
      "Asiatic Russia: 17: 30: AS: 55.88: -84.08: -7.0: UA9:\n    "
      "UA9(19)[33]{EU},R9<1.0/2.0>~-7.0~,=VER20250101;\n");
  const CountryData data = file.Data();
  EXPECT_EQ(data.version, "VER20250101");
  const std::pair<const char*, const char*> cases[] = {
      {"UR5ABC", "UR EU"},  {"EM1U/X", "UR AN"}, {"UA3ABC", "UA1 EU"},
      {"R9AB/1", "UA1 EU"}, {"R9AB", "UA9 AS"},  {"EW1AA", "EW EU"},
      {"UA9ABC", "UA9 EU"}, {"UR1X", "UR EU"},   {"IT9ABC", " "},
  };
  for (const auto& [call, expected] : cases) {
    const PrefixInfo info = LookUpPrefix(call, data);
    EXPECT_EQ(info.dxccPrefix + " " + info.continent, expected) << call;
  }
  EXPECT_TRUE(LookUpPrefix("IT9ABC", data).unknown);
}

TEST(CountryFileTest, NamesTheLineOfAMistake) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "no country in it"},
      {"Ukraine: 16: 29: EU\n  UR;",
       "line 1: a country needs eight fields, each ended by ':', before its prefixes"},
      {"Nowhere: 1: 2: XX: 0: 0: 0: NW:\n NW;", "line 1: 'XX' is no continent"},
      {"Ukraine: 16: 29: EU: 0: 0: 0: UR:\n UR,\n U$R;", "line 3: 'U$R' is no prefix"},
      {"Ukraine: 16: 29: EU: 0: 0: 0: UR:\n UR,(16)", "line 1: the prefixes of Ukraine end with no ';'"},
  };
  for (const auto& [text, message] : cases) {
    try {
      CountryFile file(text);
      ADD_FAILURE() << text;
    } catch (const CountryFileError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

// The generator and --cty read the country file alike: the compiled-in
// table is what the parser makes of the file it was built from.
TEST(CountryFileTest, CompiledInTableIsTheCountryFile) {
  const CountryData built = kBuiltInCountryData;
  const CountryFile file(ReadWholeFile(VARNHOLT_CTY_FILE));
  const CountryData read = file.Data();
  EXPECT_EQ(built.text, read.text);
  EXPECT_EQ(built.version, read.version);
  ASSERT_EQ(built.entityCount, read.entityCount);
  ASSERT_EQ(built.prefixCount, read.prefixCount);
  ASSERT_EQ(built.callCount, read.callCount);
  EXPECT_EQ(std::memcmp(built.entities, read.entities, read.entityCount * sizeof(CountryEntity)), 0);
  EXPECT_EQ(std::memcmp(built.prefixes, read.prefixes, read.prefixCount * sizeof(CountryKey)), 0);
  EXPECT_EQ(std::memcmp(built.calls, read.calls, read.callCount * sizeof(CountryKey)), 0);
  EXPECT_GT(read.entityCount, 300u);
  EXPECT_GT(read.callCount, 1000u);
}

}  // namespace
}  // namespace varnholt
