#include "logfiles/PrefixTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "mainform/Scoring.h"

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
    {"RK2A", "UA2", nullptr, nullptr},
    {"R8TT", "UA9", nullptr, "AS"},
    {"UA9ABC", "UA9", "UA9", "AS"},
    {"RA0FF", "UA9", nullptr, "AS"},
    {"R100ABC", "UA1", nullptr, nullptr},
    {"RI1FJA", "R1FJ", nullptr, "EU"},
    // The rest of the home region.
    {"UR5ABC", "UR", "UR5", "EU"},
    {"EM1U", "UR", nullptr, nullptr},
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
    {"  ua9xx/p \t", "UA9", nullptr, nullptr},
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
    const PrefixInfo info = LookUpPrefix(c.call);
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
    const std::string dxcc = LookUpPrefix(c.call).dxccPrefix;
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

}  // namespace
}  // namespace varnholt
