#include "scorer/TimeAnalysis.h"

#include <algorithm>
#include <iterator>

namespace varnholt {

namespace {

// Where `name` stands in `names`, added when it is new and `names` holds
// fewer than `most`; `most` itself for any name past that.
std::uint16_t IndexOf(std::vector<std::string>& names, std::string_view name, std::size_t most) {
  // A log has a few bands and transmitters, so a scan is quickest.
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return static_cast<std::uint16_t>(i);
  }
  if (names.size() >= most) return static_cast<std::uint16_t>(most);
  names.emplace_back(name);
  return static_cast<std::uint16_t>(names.size() - 1);
}

// More than any band table holds; a log table's band texts are never timed.
constexpr std::size_t kMostBands = 1000;

}  // namespace

void TimeLine::Scored(const ScoredContact& c) {
  if (!c.utc) {
    ++untimed_;
    return;
  }
  const std::uint16_t band = IndexOf(bands_, c.band, kMostBands);
  const std::uint16_t transmitter = IndexOf(transmitters_, c.transmitter, kMostTransmitterColumns + 1);
  entries_.push_back({*c.utc, band, transmitter, static_cast<std::int8_t>(c.result == kDuplicate ? 0 : c.result),
                      c.newMultiplier});
}

TimeAnalysis TimeLine::Analyse(int offMinutes, const std::vector<TStatistic>& reportBands) const {
  TimeAnalysis a;
  a.offMinutes = offMinutes;
  a.timed = entries_.size();
  a.untimed = untimed_;
  for (const TStatistic& row : reportBands) a.bands.push_back(row.band);
  if (entries_.empty()) return a;
  // Every timed contact's band has a row in the report: it counted there,
  // or the contact it duplicates did.
  std::vector<std::size_t> column(bands_.size() + 1, a.bands.size());
  for (std::size_t i = 0; i < bands_.size(); ++i)
    column[i] = static_cast<std::size_t>(std::find(a.bands.begin(), a.bands.end(), bands_[i]) - a.bands.begin());
  if (transmitters_.size() > 1 && transmitters_.size() <= kMostTransmitterColumns) a.transmitters = transmitters_;

  // Most logs are in time order already; exports often are not. Contacts
  // of the same time keep the log's order.
  std::vector<Entry> byTime = entries_;
  const auto earlier = [](const Entry& x, const Entry& y) { return x.utc < y.utc; };
  if (!std::is_sorted(byTime.begin(), byTime.end(), earlier))
    std::stable_sort(byTime.begin(), byTime.end(), earlier);
  a.first = byTime.front().utc;
  a.last = byTime.back().utc;

  std::int64_t points = 0, multipliers = 0;
  std::vector<UtcSeconds> counted;  // the times of the contacts that count
  counted.reserve(byTime.size());
  for (std::size_t i = 0; i < byTime.size(); ++i) {
    const Entry& e = byTime[i];
    const UtcSeconds hour = HourStart(e.utc);
    if (a.hours.empty() || a.hours.back().start != hour) {
      HourRow row;
      row.start = hour;
      row.bandQsos.assign(a.bands.size(), 0);
      row.transmitterQsos.assign(a.transmitters.size(), 0);
      row.cumulativeQsos = a.hours.empty() ? 0 : a.hours.back().cumulativeQsos;
      a.hours.push_back(std::move(row));
    }
    HourRow& row = a.hours.back();
    if (e.points > 0) {
      ++row.qsos;
      ++row.cumulativeQsos;
      if (column[e.band] < row.bandQsos.size()) ++row.bandQsos[column[e.band]];
      if (!a.transmitters.empty()) ++row.transmitterQsos[e.transmitter];
      counted.push_back(e.utc);
    }
    points += e.points;
    multipliers += e.newMultiplier ? 1 : 0;
    row.newMultipliers += e.newMultiplier ? 1 : 0;
    row.score = points * multipliers;
    if (i > 0 && e.utc - byTime[i - 1].utc >= offMinutes * kSecondsPerMinute) {
      a.offPeriods.push_back({byTime[i - 1].utc, e.utc});
      a.offTime += e.utc - byTime[i - 1].utc;
    }
  }
  a.qsos = static_cast<std::int64_t>(counted.size());
  a.onTime = a.last - a.first - a.offTime;
  a.busiestHour = static_cast<std::size_t>(
      std::max_element(a.hours.begin(), a.hours.end(),
                       [](const HourRow& x, const HourRow& y) { return x.qsos < y.qsos; }) -
      a.hours.begin());

  // Each window starts at a contact: the best one can always be moved to
  // start at its first contact.
  for (const int minutes : kRateWindowMinutes) {
    RateWindow best;
    best.minutes = minutes;
    const UtcSeconds length = minutes * kSecondsPerMinute;
    for (std::size_t begin = 0, end = 0; begin < counted.size(); ++begin) {
      while (end < counted.size() && counted[end] < counted[begin] + length) ++end;
      const auto qsos = static_cast<std::int64_t>(end - begin);
      if (qsos > best.qsos) {
        best.qsos = qsos;
        best.from = counted[begin];
        best.to = counted[begin] + length;
      }
    }
    a.best.push_back(best);
  }
  return a;
}

std::string HoursAndMinutes(UtcSeconds duration) {
  const UtcSeconds minutes = duration / kSecondsPerMinute;
  const UtcSeconds m = minutes % 60;
  return std::to_string(minutes / 60) + (m < 10 ? ":0" : ":") + std::to_string(m);
}

}  // namespace varnholt
