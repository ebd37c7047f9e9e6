#include "scorer/ScoreOutput.h"

#include <cstdint>
#include <utility>

#include "mainform/Report.h"

namespace varnholt {

namespace {

constexpr char kHex[] = "0123456789abcdef";
constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

void AppendEscape(std::string& out, std::uint32_t unit) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 15];
}

void AppendContact(std::string& out, const ScoredContact& c) {
  if (!out.empty()) out += ',';
  out += "{\"line\":" + std::to_string(c.line) + ",\"call\":" + JsonString(c.callSign) +
         ",\"band\":" + JsonString(c.band) + ",\"mode\":" + JsonString(c.mode);
}

std::string JsonTime(UtcSeconds utc) { return '"' + UtcIsoText(utc) + '"'; }

// {"NAME":COUNT,...} over `names`.
std::string JsonCounts(const std::vector<std::string>& names, const std::vector<std::int32_t>& counts) {
  std::string out = "{";
  for (std::size_t i = 0; i < names.size(); ++i)
    out += (i > 0 ? "," : "") + JsonString(names[i]) + ":" + std::to_string(counts[i]);
  return out + "}";
}

// The analysis over time, as keys to add to a log's object.
std::string TimeKeys(const TimeAnalysis& t) {
  const auto n = [](auto value) { return std::to_string(value); };
  std::string out = ",\"time\":{\"timed\":" + n(t.timed) + ",\"untimed\":" + n(t.untimed) +
                    ",\"off_time_setting_minutes\":" + n(t.offMinutes);
  if (!t.HasTimes()) return out + ",\"note\":" + JsonString(kNoContactTimes) +
                             "},\"hours\":[],\"rates\":null,\"off_periods\":[]";
  out += ",\"first\":" + JsonTime(t.first) + ",\"last\":" + JsonTime(t.last) +
         ",\"on_time_seconds\":" + n(t.onTime) + ",\"off_time_seconds\":" + n(t.offTime) + "},\"hours\":[";
  for (std::size_t i = 0; i < t.hours.size(); ++i) {
    const HourRow& h = t.hours[i];
    out += (i > 0 ? ",{\"hour\":" : "{\"hour\":") + JsonTime(h.start) + ",\"qsos\":" + n(h.qsos) +
           ",\"bands\":" + JsonCounts(t.bands, h.bandQsos) +
           (t.transmitters.empty() ? "" : ",\"transmitters\":" + JsonCounts(t.transmitters, h.transmitterQsos)) +
           ",\"cumulative_qsos\":" + n(h.cumulativeQsos) + ",\"score\":" + n(h.score) +
           ",\"new_multipliers\":" + n(h.newMultipliers) + "}";
  }
  out += "],\"rates\":{";
  for (const RateWindow& w : t.best) {
    out += "\"best_" + n(w.minutes) + "_minutes\":{\"per_hour\":" + n(w.PerHour()) + ",\"qsos\":" + n(w.qsos) +
           ",\"from\":" + JsonTime(w.from) + ",\"to\":" + JsonTime(w.to) + "},";
  }
  out += "\"overall\":{\"per_hour\":" + n(t.OverallPerHour()) + ",\"qsos\":" + n(t.qsos) +
         ",\"on_time_seconds\":" + n(t.onTime) + "}},\"off_periods\":[";
  for (std::size_t i = 0; i < t.offPeriods.size(); ++i) {
    const OffPeriod& p = t.offPeriods[i];
    out += (i > 0 ? ",{\"from\":" : "{\"from\":") + JsonTime(p.from) + ",\"to\":" + JsonTime(p.to) +
           ",\"seconds\":" + n(p.to - p.from) + "}";
  }
  return out + "]";
}

}  // namespace

std::pair<std::uint32_t, std::size_t> DecodeUtf8(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return {lead, 1};
  if (lead < 0xC2 || lead > 0xF4) return {0, 0};
  const std::size_t size = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (size > text.size() - at) return {0, 0};
  std::uint32_t c = lead & (0x7Fu >> size);
  for (std::size_t i = 1; i < size; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return {0, 0};
    c = (c << 6) | (next & 0x3Fu);
  }
  const std::uint32_t least = size == 2 ? 0x80 : size == 3 ? 0x800 : 0x10000;
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
  return {c, size};
}

std::string ReportLines(const std::vector<TStatistic>& bands) { return StatisticsText(bands, "\n") + '\n'; }

void ExplainWriter::Scored(const ScoredContact& c) {
  out_ << c.line << '\t' << c.callSign << '\t' << c.band << '\t' << c.mode << '\t' << c.report << '\t';
  if (c.result == kDuplicate) {
    out_ << "duplicate";
  } else {
    out_ << c.result << (c.result == 1 ? " point" : " points");
  }
  if (c.newMultiplier) {
    out_ << ", new multiplier ";
    if (c.number.empty()) {
      out_ << "(no number)";
    } else {
      out_ << c.number;
    }
  }
  if (checkList_ != nullptr && !IsKnownCall(*checkList_, c.callSign)) out_ << ", not in MASTER.SCP";
  out_ << '\n';
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (std::size_t at = 0; at < text.size();) {
    const auto [c, size] = DecodeUtf8(text, at);
    if (size == 0) {
      AppendEscape(out, kReplacementCharacter);
      ++at;
      continue;
    }
    at += size;
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else if (c < 0x10000) {
      AppendEscape(out, c);
    } else {  // as a surrogate pair
      AppendEscape(out, 0xD800 + ((c - 0x10000) >> 10));
      AppendEscape(out, 0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  out += '"';
  return out;
}

void JsonCollector::Scored(const ScoredContact& c) {
  if (c.result == kDuplicate) {
    AppendContact(duplicates_, c);
    duplicates_ += '}';
  }
  if (c.newMultiplier) {
    AppendContact(multipliers_, c);
    multipliers_ += ",\"number\":" + JsonString(c.number) + '}';
  }
  if (checkList_ != nullptr && !IsKnownCall(*checkList_, c.callSign)) {
    AppendContact(notInList_, c);
    notInList_ += '}';
  }
}

std::string JsonCollector::Object(const LogScorer& scorer, std::string_view log, std::string_view format,
                                  const TimeAnalysis* times) const {
  std::string bands;
  for (const TStatistic& row : scorer.BandStatistics()) {
    if (!bands.empty()) bands += ',';
    bands += "{\"band\":" + JsonString(row.band) + ",\"qsos\":" + std::to_string(row.QSOs) +
             ",\"points\":" + std::to_string(row.Points) + ",\"dxda\":" + std::to_string(row.DXDA) + '}';
  }
  const ReportTotals total = TotalsOf(scorer.BandStatistics());
  std::string bad;
  for (const LogLineError& e : scorer.BadLines()) {
    if (!bad.empty()) bad += ',';
    bad += "{\"line\":" + std::to_string(e.line) + ",\"error\":" + JsonString(e.message) +
           ",\"contact_counted\":" + (e.contactCounted ? "true}" : "false}");
  }
  return "{\"log\":" + JsonString(log) + ",\"format\":" + JsonString(format) +
         ",\"station\":{\"call\":" + JsonString(scorer.StationCall()) +
         ",\"prefix\":" + JsonString(scorer.StationPrefix()) + "},\"bands\":[" + bands +
         "],\"total\":{\"qsos\":" + std::to_string(total.qsos) + ",\"points\":" + std::to_string(total.points) +
         ",\"dxda\":" + std::to_string(total.dxda) + "},\"score\":" + std::to_string(total.Score()) +
         ",\"contacts\":" + std::to_string(scorer.Contacts()) + ",\"duplicates\":[" + duplicates_ +
         "],\"new_multipliers\":[" + multipliers_ + "],\"bad_lines\":[" + bad + "]" +
         (checkList_ != nullptr ? ",\"not_in_scp\":[" + notInList_ + "]" : std::string()) +
         (times != nullptr ? TimeKeys(*times) : std::string()) + "}";
}

std::string SummaryText(const LogScorer& scorer, const TimeAnalysis& times) {
  std::string out;
  const auto line = [&](std::string_view label, const std::string& value) {
    if (!value.empty()) out.append(label).append(": ").append(value).append("\n");
  };
  line("Call", scorer.StationCall());
  line("Contest", scorer.Contest());
  line("Category", scorer.Category());
  if (!out.empty()) out += "\n";

  const auto row = [&](std::string_view band, std::int64_t qsos, std::int64_t points, std::int64_t multipliers) {
    out += std::string(band) + (band.size() < 8 ? std::string(8 - band.size(), ' ') : " ") +
           PadLeft(std::to_string(qsos), 6) + PadLeft(std::to_string(points), 8) +
           PadLeft(std::to_string(multipliers), 7) + "\n";
  };
  out += "Band      QSOs  Points  Mults\n";
  for (const TStatistic& band : scorer.BandStatistics()) row(band.band, band.QSOs, band.Points, band.DXDA);
  const ReportTotals total = TotalsOf(scorer.BandStatistics());
  row("Total", total.qsos, total.points, total.dxda);
  out += "Claimed score: " + std::to_string(total.Score()) + "\n\n";

  if (!times.HasTimes()) {
    out += std::string("Operating time: ") + kNoContactTimes + "\n";
  } else {
    const std::size_t periods = times.offPeriods.size();
    out += "Operating time: " + HoursAndMinutes(times.onTime) + "\nOff-time: " + HoursAndMinutes(times.offTime) +
           " (" + std::to_string(periods) + (periods == 1 ? " off period" : " off periods") + " of " +
           std::to_string(times.offMinutes) + " minutes or more)\n";
    out += "First contact: " + UtcText(times.first) + " UTC\nLast contact: " + UtcText(times.last) + " UTC\n";
    if (times.untimed > 0)
      out += "Contacts without a time: " + std::to_string(times.untimed) + " (left out of the times above)\n";
  }
  out += "Duplicates: " + std::to_string(scorer.Duplicates()) +
         "\nLines passed over: " + std::to_string(scorer.BadLines().size()) + "\n";
  return out;
}

}  // namespace varnholt
