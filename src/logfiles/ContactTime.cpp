#include "logfiles/ContactTime.h"

#include <cstdio>

#include "common/TextRules.h"

namespace varnholt {

namespace {

constexpr int kFirstYear = 1900;

// The number written by `digits`, which must all be decimal digits; -1 if not.
int Digits(std::string_view digits) { return DecimalNumber(digits).value_or(-1); }

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the date, in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

struct Civil {
  int year, month, day, hour, minute, second;
};

Civil CivilFromUtc(UtcSeconds utc) {
  std::int64_t days = utc / kSecondsPerDay;
  std::int64_t rest = utc % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
  return {year,
          month,
          static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1),
          static_cast<int>(rest / kSecondsPerHour),
          static_cast<int>(rest % kSecondsPerHour / kSecondsPerMinute),
          static_cast<int>(rest % kSecondsPerMinute)};
}

// Checks each field against the calendar and the clock, in the order a
// reader would look; "" and `utc` set when they make a time.
std::string FromCivil(const Civil& c, UtcSeconds& utc) {
  if (c.year == 0) return "no year 0";
  if (c.month < 1 || c.month > 12) return "no month " + std::to_string(c.month);
  if (c.day < 1 || c.day > DaysInMonth(c.year, c.month))
    return "no day " + std::to_string(c.day) + " in month " + std::to_string(c.month) + " of " +
           std::to_string(c.year);
  if (c.year < kFirstYear) return "a year before " + std::to_string(kFirstYear);
  if (c.hour > 23) return "no hour " + std::to_string(c.hour);
  if (c.minute > 59) return "no minute " + std::to_string(c.minute);
  if (c.second > 59) return "no second " + std::to_string(c.second);
  utc = DaysFromCivil(c.year, c.month, c.day) * kSecondsPerDay + c.hour * kSecondsPerHour +
        c.minute * kSecondsPerMinute + c.second;
  return {};
}

}  // namespace

std::string ReadCabrilloTime(std::string_view date, std::string_view time, UtcSeconds& utc) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return "not a date (yyyy-mm-dd)";
  const int year = Digits(date.substr(0, 4)), month = Digits(date.substr(5, 2)), day = Digits(date.substr(8, 2));
  if (year < 0 || month < 0 || day < 0) return "not a date (yyyy-mm-dd)";
  const int hhmm = time.size() == 4 ? Digits(time) : -1;
  if (hhmm < 0) return "not a time of day (hhmm)";
  return FromCivil({year, month, day, hhmm / 100, hhmm % 100, 0}, utc);
}

std::string ReadAdifTime(std::string_view date, std::string_view time, UtcSeconds& utc) {
  const int yyyymmdd = date.size() == 8 ? Digits(date) : -1;
  if (yyyymmdd < 0) return "not a date (YYYYMMDD)";
  const int clock = time.size() == 4 || time.size() == 6 ? Digits(time) : -1;
  if (clock < 0) return "not a time of day (HHMM or HHMMSS)";
  const int hhmmss = time.size() == 4 ? clock * 100 : clock;
  return FromCivil({yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100, hhmmss / 10000, hhmmss / 100 % 100,
                    hhmmss % 100},
                   utc);
}

std::string UtcText(UtcSeconds utc) {
  const Civil c = CivilFromUtc(utc);
  char text[32];
  if (c.second == 0) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", c.year, c.month, c.day, c.hour, c.minute);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute,
                  c.second);
  }
  return text;
}

std::string UtcIsoText(UtcSeconds utc) {
  const Civil c = CivilFromUtc(utc);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", c.year, c.month, c.day, c.hour, c.minute,
                c.second);
  return text;
}

}  // namespace varnholt
