#include "logfiles/Bands.h"

#include <cstdlib>

namespace varnholt {

std::string BandFromKhz(double khz) {
  struct Range {
    double low, high;
    const char* band;
  };
  static const Range kBands[] = {
      {1800, 2000, "160M"},     {3500, 4000, "80M"},      {5330, 5410, "60M"},
      {7000, 7300, "40M"},      {10100, 10150, "30M"},    {14000, 14350, "20M"},
      {18068, 18168, "17M"},    {21000, 21450, "15M"},    {24890, 24990, "12M"},
      {28000, 29700, "10M"},    {50000, 54000, "6M"},     {70000, 71000, "4M"},
      {144000, 148000, "2M"},   {222000, 225000, "1.25M"}, {420000, 450000, "70CM"},
  };
  for (const Range& r : kBands) {
    if (khz >= r.low && khz <= r.high) return r.band;
  }
  return {};
}

std::string BandFromCabrilloFrequency(std::string_view field) {
  // From 50 MHz up a Cabrillo log may name the band instead of the frequency.
  struct Designator {
    const char* text;
    const char* band;
  };
  static const Designator kDesignators[] = {
      {"50", "6M"}, {"70", "4M"}, {"144", "2M"}, {"222", "1.25M"}, {"432", "70CM"},
  };
  for (const Designator& d : kDesignators) {
    if (field == d.text) return d.band;
  }
  // kHz, possibly with a fraction; nothing else may follow the number.
  std::size_t i = 0;
  bool digits = false, point = false;
  for (; i < field.size(); ++i) {
    const char c = field[i];
    if (c >= '0' && c <= '9') {
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

}  // namespace varnholt
