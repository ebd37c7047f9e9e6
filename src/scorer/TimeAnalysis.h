// How a log's score was made over time: contacts per clock hour (per band,
// per transmitter), the claimed score at each hour's end, the best rates, and
// when the station was on and off the air. Scoring keeps the log's order;
// this analysis takes the contacts in time order.
//
// What counts: the hours and the rates count the contacts the report counts
// (duplicates left out), so that the hours add up to the band rows. On and
// off time go by every contact logged, duplicates included, since a
// duplicate too shows the station on the air. The claimed score at an
// hour's end adds up the points and multipliers that scoring in file order
// gave each contact made up to then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "logfiles/ContactTime.h"
#include "scorer/ScoreLog.h"

namespace varnholt {

// The shortest gap between two contacts that counts as time off the air,
// unless the operator says otherwise.
constexpr int kDefaultOffMinutes = 60;
// The rate windows: the best 10, 30 and 60 minutes.
constexpr int kRateWindowMinutes[] = {10, 30, 60};
// A multi-transmitter log numbers a few transmitters ("0", "1"); one naming
// more than this has no column per transmitter.
constexpr std::size_t kMostTransmitterColumns = 8;

struct HourRow {
  UtcSeconds start = 0;  // the UTC clock hour
  std::vector<std::int32_t> bandQsos;         // per TimeAnalysis::bands
  std::vector<std::int32_t> transmitterQsos;  // per TimeAnalysis::transmitters
  std::int32_t qsos = 0;
  std::int64_t cumulativeQsos = 0;
  std::int32_t newMultipliers = 0;
  std::int64_t score = 0;  // claimed at the hour's end
};

// The busiest `minutes` of the log: the most contacts from one contact's
// time on, in [from, to).
struct RateWindow {
  int minutes = 0;
  std::int64_t qsos = 0;
  UtcSeconds from = 0, to = 0;
  std::int64_t PerHour() const { return qsos * 60 / minutes; }
};

// A gap of at least the off-time between two contacts: from the one to the
// next.
struct OffPeriod {
  UtcSeconds from = 0, to = 0;
};

struct TimeAnalysis {
  std::size_t timed = 0;    // contacts with a time
  std::size_t untimed = 0;  // contacts without one, left out of everything below
  bool HasTimes() const { return timed > 0; }

  int offMinutes = kDefaultOffMinutes;
  UtcSeconds first = 0, last = 0;
  std::vector<std::string> bands;         // in the order the report lists them
  // As the log names them, in the order met; none when it names fewer than
  // two or more than kMostTransmitterColumns.
  std::vector<std::string> transmitters;
  std::vector<HourRow> hours;             // the hours holding contacts, in time order
  std::size_t busiestHour = 0;            // index into hours
  std::vector<RateWindow> best;           // one per kRateWindowMinutes
  std::vector<OffPeriod> offPeriods;
  std::int64_t qsos = 0;        // the counted contacts with a time
  UtcSeconds onTime = 0;        // from the first contact to the last, less the off periods
  UtcSeconds offTime = 0;       // the off periods together
  // Contacts per hour over the whole on-time, rounded; 0 when no time passed.
  std::int64_t OverallPerHour() const { return onTime > 0 ? (qsos * 7200 / onTime + 1) / 2 : 0; }
};

// What an analysis says of a log whose contacts carry no time.
constexpr const char* kNoContactTimes = "this log carries no contact times";

// Keeps what the analysis needs of each contact as it is scored.
class TimeLine final : public ScoreWatcher {
 public:
  void Scored(const ScoredContact& contact) override;
  // `offMinutes` at least 1; `reportBands` the scorer's band rows, whose
  // order the hours' band columns take.
  TimeAnalysis Analyse(int offMinutes, const std::vector<TStatistic>& reportBands) const;

 private:
  struct Entry {
    UtcSeconds utc;
    std::uint16_t band, transmitter;
    std::int8_t points;  // 0 for a duplicate
    bool newMultiplier;
  };
  std::vector<Entry> entries_;  // in file order
  std::vector<std::string> bands_;         // of the timed contacts, in the order met
  std::vector<std::string> transmitters_;  // the same, up to one past kMostTransmitterColumns
  std::size_t untimed_ = 0;
};

// "47:05": hours and minutes, the seconds dropped.
std::string HoursAndMinutes(UtcSeconds duration);

}  // namespace varnholt
