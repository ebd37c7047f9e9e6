// The contest's home region: the prefixes of the countries whose stations
// count 3 points when worked from outside it, and the ADIF DXCC entity codes
// of those countries.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// A prefix p belongs when ":" + p + ":" occurs in this text: an exact,
// case-sensitive byte match.
constexpr std::string_view kHomeRegionList = ":4J:EK:EW:UN:EX:ER:UA1:UA2:UA9:EY:UK:EZ:UR:";

inline bool IsHomeRegionPrefix(std::string_view prefix) {
  // ":" + prefix + ":" inside the list; without a colon of its own the prefix
  // can only match one whole entry, which is the common, cheap case.
  if (prefix.empty() || prefix.size() > 3 || prefix.find(':') != std::string_view::npos) {
    std::string probe;
    probe.reserve(prefix.size() + 2);
    probe.append(":").append(prefix).append(":");
    return kHomeRegionList.find(probe) != std::string_view::npos;
  }
  static const std::vector<std::string_view> kEntries = [] {
    std::vector<std::string_view> entries;
    for (std::size_t start = 1; start < kHomeRegionList.size();) {
      const std::size_t end = kHomeRegionList.find(':', start);
      entries.push_back(kHomeRegionList.substr(start, end - start));
      start = end + 1;
    }
    return entries;
  }();
  for (std::string_view entry : kEntries) {
    if (entry == prefix) return true;
  }
  return false;
}

// The home-region prefix of an ADIF DXCC entity code (54 European Russia is
// "UA1", 288 Ukraine is "UR", ...); nullptr for every other entity.
inline const char* HomeRegionPrefixOfEntity(int dxccEntity) {
  switch (dxccEntity) {
    case 54: return "UA1";   // European Russia
    case 126: return "UA2";  // Kaliningrad
    case 15: return "UA9";   // Asiatic Russia
    case 288: return "UR";   // Ukraine
    case 27: return "EW";    // Belarus
    case 130: return "UN";   // Kazakhstan
    case 135: return "EX";   // Kyrgyzstan
    case 179: return "ER";   // Moldova
    case 14: return "EK";    // Armenia
    case 18: return "4J";    // Azerbaijan
    case 262: return "EY";   // Tajikistan
    case 292: return "UK";   // Uzbekistan
    case 280: return "EZ";   // Turkmenistan
    default: return nullptr;
  }
}

}  // namespace varnholt
