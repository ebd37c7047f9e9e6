// When a contact was made, as logs write it: a UTC date and a time of day,
// read exactly in the log format's own layout. Whatever the digits say, a
// date that no calendar has (a month 13, a day 32, the 29th of February of a
// common year), an hour past 23 or a year before 1900 is no time: it is
// reported, never read as a nearby one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnholt {

// Seconds since 1970-01-01 00:00:00 UTC (negative before it).
using UtcSeconds = std::int64_t;

// Cabrillo's "2025-03-29" and "0000" (hhmm). Sets `utc` and returns "", or
// returns what is wrong ("no month 13").
std::string ReadCabrilloTime(std::string_view date, std::string_view time, UtcSeconds& utc);

// ADIF's QSO_DATE "20250329" and TIME_ON "0000" or "000000" (hhmm[ss]).
// Sets `utc` and returns "", or returns what is wrong.
std::string ReadAdifTime(std::string_view date, std::string_view time, UtcSeconds& utc);

// "2025-03-29 00:00", with ":ss" when the seconds are not zero.
std::string UtcText(UtcSeconds utc);
// "2025-03-29T00:00:00Z".
std::string UtcIsoText(UtcSeconds utc);

constexpr UtcSeconds kSecondsPerMinute = 60;
constexpr UtcSeconds kSecondsPerHour = 3600;
constexpr UtcSeconds kSecondsPerDay = 86400;

// The start of the UTC clock hour `utc` falls in.
inline UtcSeconds HourStart(UtcSeconds utc) {
  const UtcSeconds into = utc % kSecondsPerHour;
  return utc - (into < 0 ? into + kSecondsPerHour : into);
}

}  // namespace varnholt
