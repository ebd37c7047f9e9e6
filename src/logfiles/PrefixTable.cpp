#include "logfiles/PrefixTable.h"

#include <array>
#include <cstddef>

namespace varnholt {

namespace {

// Russia's entries resolve by the call's district digit instead of by a fixed
// prefix: 2 is Kaliningrad, 8, 9 and 0 Asiatic Russia, the rest (and no digit
// at all, as in UA/DL1ABC) European Russia.
constexpr const char* kByDistrict = nullptr;

struct Entry {
  std::string_view callPrefix;
  const char* dxcc;
  const char* continent;
};

// Enough to tell every home-region station apart from the rest and to give
// realistic prefixes for the common other countries. The longest matching
// call prefix wins, so EA8 beats EA and R1FJ beats R.
constexpr Entry kTable[] = {
    {"R", kByDistrict, nullptr},  {"UA", kByDistrict, nullptr}, {"UB", kByDistrict, nullptr},
    {"UC", kByDistrict, nullptr}, {"UD", kByDistrict, nullptr}, {"UE", kByDistrict, nullptr},
    {"UF", kByDistrict, nullptr}, {"UG", kByDistrict, nullptr}, {"UH", kByDistrict, nullptr},
    {"UI", kByDistrict, nullptr}, {"R1FJ", "R1FJ", "EU"},      {"RI1FJ", "R1FJ", "EU"},
    {"UR", "UR", "EU"},   {"US", "UR", "EU"},   {"UT", "UR", "EU"},   {"UU", "UR", "EU"},
    {"UV", "UR", "EU"},   {"UW", "UR", "EU"},   {"UX", "UR", "EU"},   {"UY", "UR", "EU"},
    {"UZ", "UR", "EU"},   {"EM", "UR", "EU"},   {"EN", "UR", "EU"},   {"EO", "UR", "EU"},
    {"EW", "EW", "EU"},   {"EU", "EW", "EU"},   {"EV", "EW", "EU"},
    {"UN", "UN", "AS"},   {"UO", "UN", "AS"},   {"UP", "UN", "AS"},   {"UQ", "UN", "AS"},
    {"UJ", "UK", "AS"},   {"UK", "UK", "AS"},   {"UL", "UK", "AS"},   {"UM", "UK", "AS"},
    {"EX", "EX", "AS"},   {"ER", "ER", "EU"},   {"EK", "EK", "AS"},   {"4J", "4J", "AS"},
    {"4K", "4J", "AS"},   {"EY", "EY", "AS"},   {"EZ", "EZ", "AS"},
    {"4L", "4L", "AS"},   {"YL", "YL", "EU"},   {"LY", "LY", "EU"},   {"ES", "ES", "EU"},
    {"DL", "DL", "EU"},   {"DA", "DL", "EU"},   {"DB", "DL", "EU"},   {"DC", "DL", "EU"},
    {"DD", "DL", "EU"},   {"DF", "DL", "EU"},   {"DG", "DL", "EU"},   {"DJ", "DL", "EU"},
    {"DK", "DL", "EU"},   {"DM", "DL", "EU"},   {"DO", "DL", "EU"},   {"DP", "DL", "EU"},
    {"DR", "DL", "EU"},   {"SP", "SP", "EU"},   {"SQ", "SP", "EU"},   {"SN", "SP", "EU"},
    {"OK", "OK", "EU"},   {"OL", "OK", "EU"},   {"OM", "OM", "EU"},   {"HA", "HA", "EU"},
    {"YO", "YO", "EU"},   {"LZ", "LZ", "EU"},   {"YU", "YU", "EU"},   {"9A", "9A", "EU"},
    {"S5", "S5", "EU"},   {"OE", "OE", "EU"},   {"HB", "HB", "EU"},   {"PA", "PA", "EU"},
    {"ON", "ON", "EU"},   {"OZ", "OZ", "EU"},   {"SM", "SM", "EU"},   {"LA", "LA", "EU"},
    {"OH", "OH", "EU"},   {"G", "G", "EU"},     {"M", "G", "EU"},     {"2E", "G", "EU"},
    {"EI", "EI", "EU"},   {"F", "F", "EU"},     {"EA", "EA", "EU"},   {"CT", "CT", "EU"},
    {"I", "I", "EU"},     {"SV", "SV", "EU"},   {"TA", "TA", "AS"},   {"4X", "4X", "AS"},
    {"JA", "JA", "AS"},   {"JE", "JA", "AS"},   {"JF", "JA", "AS"},   {"JG", "JA", "AS"},
    {"JH", "JA", "AS"},   {"JI", "JA", "AS"},   {"JJ", "JA", "AS"},   {"JK", "JA", "AS"},
    {"JL", "JA", "AS"},   {"JM", "JA", "AS"},   {"JN", "JA", "AS"},   {"JO", "JA", "AS"},
    {"JP", "JA", "AS"},   {"JR", "JA", "AS"},   {"JS", "JA", "AS"},   {"7K", "JA", "AS"},
    {"HL", "HL", "AS"},   {"DS", "HL", "AS"},   {"BY", "BY", "AS"},   {"BG", "BY", "AS"},
    {"BH", "BY", "AS"},   {"BA", "BY", "AS"},   {"BD", "BY", "AS"},   {"VU", "VU", "AS"},
    {"VE", "VE", "NA"},   {"VA", "VE", "NA"},   {"VY", "VE", "NA"},   {"VO", "VE", "NA"},
    {"CY", "VE", "NA"},   {"XE", "XE", "NA"},   {"KH6", "KH6", "OC"}, {"KL", "KL", "NA"},
    {"KP4", "KP4", "NA"}, {"NP4", "KP4", "NA"}, {"WP4", "KP4", "NA"},
    {"K", "K", "NA"},     {"W", "K", "NA"},     {"N", "K", "NA"},     {"AA", "K", "NA"},
    {"AB", "K", "NA"},    {"AC", "K", "NA"},    {"AD", "K", "NA"},    {"AE", "K", "NA"},
    {"AF", "K", "NA"},    {"AG", "K", "NA"},    {"AI", "K", "NA"},    {"AJ", "K", "NA"},
    {"AK", "K", "NA"},    {"PY", "PY", "SA"},   {"PP", "PY", "SA"},   {"PU", "PY", "SA"},
    {"PR", "PY", "SA"},   {"ZV", "PY", "SA"},   {"LU", "LU", "SA"},   {"L2", "LU", "SA"},
    {"CE", "CE", "SA"},   {"CA", "CE", "SA"},   {"CB", "CE", "SA"},   {"CX", "CX", "SA"},
    {"HK", "HK", "SA"},   {"YV", "YV", "SA"},   {"OA", "OA", "SA"},   {"VK", "VK", "OC"},
    {"ZL", "ZL", "OC"},   {"ZS", "ZS", "AF"},   {"CN", "CN", "AF"},   {"EA8", "EA8", "AF"},
    {"SU", "SU", "AF"},   {"5B", "5B", "AS"},   {"9M2", "9M2", "AS"}, {"YB", "YB", "OC"},
};

// Longer texts are no call sign; a fixed buffer keeps a lookup off the heap.
constexpr std::size_t kMaxCall = 32;
// Three parts carry every real portable call (DL/UR5ABC/P); a few more are
// tolerated so that a repeated suffix does not lose the call.
constexpr std::size_t kMaxParts = 6;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The position of the digit that ends the call's own prefix: the first digit
// after the first character (2E0ABC, 9A1AA, 4J1AB); npos without one.
std::size_t PrefixDigit(std::string_view call) {
  for (std::size_t i = 1; i < call.size(); ++i) {
    if (IsDigit(call[i])) return i;
  }
  return std::string_view::npos;
}

// A whole call sign ends in letters after its prefix digit (UA9XX); a bare
// prefix such as DL, UA9 or EA8 does not.
bool IsWholeCall(std::string_view part) {
  return PrefixDigit(part) != std::string_view::npos && IsLetter(part.back());
}

bool IsMaritimeOrAir(std::string_view part) { return part == "MM" || part == "AM"; }

// Suffixes that say how, not where, a station operates.
bool IsOperatingSuffix(std::string_view part) {
  return (part.size() == 1 && IsLetter(part[0])) || part == "QRP" || part == "QRPP" || part == "LH" ||
         IsMaritimeOrAir(part);
}

bool IsAllDigits(std::string_view part) { return part.find_first_not_of("0123456789") == part.npos; }

const Entry* LongestMatch(std::string_view call) {
  const Entry* best = nullptr;
  for (const Entry& e : kTable) {
    // The first letter rules out nearly every entry cheaply.
    if (e.callPrefix[0] == call[0] && (best == nullptr || e.callPrefix.size() > best->callPrefix.size()) &&
        call.substr(0, e.callPrefix.size()) == e.callPrefix) {
      best = &e;
    }
  }
  return best;
}

// Up to and including the prefix digit; the whole text when it has none (DL).
std::string_view MainPrefixOf(std::string_view call) {
  const std::size_t digit = PrefixDigit(call);
  return digit == std::string_view::npos ? call : call.substr(0, digit + 1);
}

}  // namespace

PrefixInfo LookUpPrefix(std::string_view callSign) {
  while (!callSign.empty() && IsBlank(callSign.front())) callSign.remove_prefix(1);
  while (!callSign.empty() && IsBlank(callSign.back())) callSign.remove_suffix(1);
  if (callSign.size() > kMaxCall) return {};

  std::array<char, kMaxCall> upper{};
  for (std::size_t i = 0; i < callSign.size(); ++i) {
    char c = callSign[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!IsLetter(c) && !IsDigit(c) && c != '/') return {};
    upper[i] = c;
  }
  const std::string_view call(upper.data(), callSign.size());

  // Parts between slashes; empty ones (a stray leading or trailing slash) say nothing.
  std::array<std::string_view, kMaxParts> parts;
  std::size_t count = 0;
  for (std::size_t start = 0; start <= call.size();) {
    std::size_t end = call.find('/', start);
    if (end == std::string_view::npos) end = call.size();
    if (end > start) {
      if (count == kMaxParts) return {};
      parts[count++] = call.substr(start, end - start);
    }
    start = end + 1;
  }

  // Trailing suffixes: /P and the like only describe the operation, /MM and
  // /AM put the station outside every country, and /4 moves it to district 4.
  bool noCountry = false;
  char district = 0;
  while (count > 1) {
    const std::string_view last = parts[count - 1];
    if (IsOperatingSuffix(last)) {
      noCountry = noCountry || IsMaritimeOrAir(last);
    } else if (last.size() == 1 && IsDigit(last[0])) {
      if (district == 0) district = last[0];
    } else if (!IsAllDigits(last)) {
      break;
    }
    --count;
  }

  // Where the station operates: the part that is not a whole call (DL in
  // DL/UA9XX and UA9XX/DL), else the shortest.
  std::size_t where = count;
  for (std::size_t i = 0; i < count; ++i) {
    if (IsAllDigits(parts[i])) continue;
    const bool better = where == count || (IsWholeCall(parts[where]) && !IsWholeCall(parts[i])) ||
                        (IsWholeCall(parts[where]) == IsWholeCall(parts[i]) &&
                         parts[i].size() < parts[where].size());
    if (better) where = i;
  }
  if (where == count) return {};

  std::string_view location = parts[where];
  std::array<char, kMaxCall> moved{};
  const std::size_t digit = PrefixDigit(location);
  if (district != 0 && count == 1 && digit != std::string_view::npos) {
    for (std::size_t i = 0; i < location.size(); ++i) moved[i] = location[i];
    moved[digit] = district;
    location = std::string_view(moved.data(), location.size());
  }

  PrefixInfo info;
  info.mainPrefix = MainPrefixOf(location);
  if (noCountry) return info;
  const Entry* entry = LongestMatch(location);
  if (entry == nullptr) return info;
  if (entry->dxcc != kByDistrict) {
    info.dxccPrefix = entry->dxcc;
    info.continent = entry->continent;
    return info;
  }
  const char d = digit == std::string_view::npos ? '1' : location[digit];
  info.dxccPrefix = d == '2' ? "UA2" : (d == '8' || d == '9' || d == '0') ? "UA9" : "UA1";
  info.continent = info.dxccPrefix == "UA9" ? "AS" : "EU";
  return info;
}

const char* HomeRegionPrefixOfEntity(int dxccEntity) {
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
