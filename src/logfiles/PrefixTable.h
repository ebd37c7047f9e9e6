// Where a call sign operates from, as the host's log would record it: the
// DXCC prefix (one of the contest's home-region prefixes for the stations
// that count 3 points, another country's prefix otherwise), the call's own
// main prefix and its continent. Log files without a prefix column of their
// own get their prefixes here, from the country file (cty.dat): its whole
// calls first, then its longest matching prefix, its countries named as the
// contest's rules name them.
#pragma once

#include <string>
#include <string_view>

#include "logfiles/CountryFile.h"

namespace varnholt {

struct PrefixInfo {
  std::string dxccPrefix;  // "" when the call resolves to no country the table knows
  std::string mainPrefix;  // the call's prefix up to and including its digit: "UR5"
  std::string continent;   // "EU", "AS", ...; "" when unknown
  // The country file places the call nowhere (or it is no call sign). Not
  // so for /MM and /AM, which are outside every country by rule.
  bool unknown = false;
};

// Resolves `callSign` (any letter case, surrounding blanks ignored).
// Portable calls resolve by where they operate: UR5ABC/P from Ukraine,
// DL/UA9XX from Germany, K1ABC/4 and UA9ABC/1 by the district digit,
// /MM and /AM to no country. The countries are those of `countries`: the
// compiled-in country file (kBuiltInCountryData) or one read at run time.
PrefixInfo LookUpPrefix(std::string_view callSign, const CountryData& countries);

}  // namespace varnholt
