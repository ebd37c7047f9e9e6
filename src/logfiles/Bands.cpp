#include "logfiles/Bands.h"

#include <cstdlib>
#include <string>

#include "common/TextRules.h"

namespace varnholt {

namespace {

struct Band {
  std::string_view name;      // the report's name: ADIF's, upper-cased
  double lowKhz, highKhz;     // ADIF's edges, both inside the band
  std::string_view cabrillo;  // Cabrillo's designator from 50 MHz up; "" below
};

// ADIF's band enumeration, names and edges as it defines them (in MHz there;
// in kHz here), in order of frequency.
constexpr Band kBands[] = {
    {"2190M", 135.7, 137.8, ""},
    {"630M", 472, 479, ""},
    {"560M", 501, 504, ""},
    {"160M", 1800, 2000, ""},
    {"80M", 3500, 4000, ""},
    {"60M", 5060, 5450, ""},
    {"40M", 7000, 7300, ""},
    {"30M", 10100, 10150, ""},
    {"20M", 14000, 14350, ""},
    {"17M", 18068, 18168, ""},
    {"15M", 21000, 21450, ""},
    {"12M", 24890, 24990, ""},
    {"10M", 28000, 29700, ""},
    {"8M", 40000, 45000, ""},
    {"6M", 50000, 54000, "50"},
    {"5M", 54000.001, 69900, ""},
    {"4M", 70000, 71000, "70"},
    {"2M", 144000, 148000, "144"},
    {"1.25M", 222000, 225000, "222"},
    {"70CM", 420000, 450000, "432"},
    {"33CM", 902000, 928000, "902"},
    {"23CM", 1240000, 1300000, "1.2G"},
    {"13CM", 2300000, 2450000, "2.3G"},
    {"9CM", 3300000, 3500000, "3.4G"},
    {"6CM", 5650000, 5925000, "5.7G"},
    {"3CM", 10000000, 10500000, "10G"},
    {"1.25CM", 24000000, 24250000, "24G"},
    {"6MM", 47000000, 47200000, "47G"},
    {"4MM", 75500000, 81000000, "75G"},
    {"2.5MM", 119980000, 123000000, "122G"},
    {"2MM", 134000000, 149000000, "134G"},
    {"1MM", 241000000, 250000000, "241G"},
    {"SUBMM", 300000000, 7500000000, ""},
};

// Cabrillo's designator for contacts by light; ADIF has no band for them and
// no edges, so it stands for itself.
constexpr std::string_view kLight = "LIGHT";

}  // namespace

std::string_view BandFromKhz(double khz) {
  for (const Band& b : kBands) {
    if (khz >= b.lowKhz && khz <= b.highKhz) return b.name;
  }
  return {};
}

std::string_view BandFromCabrilloFrequency(std::string_view field) {
  // Designators have at most three digits or end in a letter; kHz of the
  // bands below 50 MHz, the common case, have more digits.
  const bool designator =
      field.size() <= 3 || (!field.empty() && !IsDigit(field.back()));
  if (designator) {
    for (const Band& b : kBands) {
      if (!b.cabrillo.empty() && EqualsIgnoringCase(field, b.cabrillo)) return b.name;
    }
    if (EqualsIgnoringCase(field, kLight)) return kLight;
  }
  // kHz, possibly with a fraction; nothing else may follow the number.
  std::size_t i = 0;
  bool digits = false, point = false;
  for (; i < field.size(); ++i) {
    const char c = field[i];
    if (IsDigit(c)) {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits || i != field.size() || field.size() > 15) return {};
  const std::string number(field);
  return BandFromKhz(std::strtod(number.c_str(), nullptr));
}

std::string_view BandFromAdifName(std::string_view name) {
  name = Trim(name);
  for (const Band& b : kBands) {
    if (EqualsIgnoringCase(name, b.name)) return b.name;
  }
  return {};
}

}  // namespace varnholt
