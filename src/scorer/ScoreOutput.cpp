#include "scorer/ScoreOutput.h"

#include "mainform/Report.h"

namespace varnholt {

namespace {

void AppendContact(std::string& out, const ScoredContact& c) {
  if (!out.empty()) out += ',';
  out += "{\"line\":" + std::to_string(c.line) + ",\"call\":" + JsonString(c.callSign) +
         ",\"band\":" + JsonString(c.band) + ",\"mode\":" + JsonString(c.mode);
}

}  // namespace

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
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c >= 0x7f) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
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

std::string JsonCollector::Object(const LogScorer& scorer, std::string_view log,
                                  std::string_view format) const {
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
    bad += "{\"line\":" + std::to_string(e.line) + ",\"error\":" + JsonString(e.message) + '}';
  }
  return "{\"log\":" + JsonString(log) + ",\"format\":" + JsonString(format) +
         ",\"station\":{\"call\":" + JsonString(scorer.StationCall()) +
         ",\"prefix\":" + JsonString(scorer.StationPrefix()) + "},\"bands\":[" + bands +
         "],\"total\":{\"qsos\":" + std::to_string(total.qsos) + ",\"points\":" + std::to_string(total.points) +
         ",\"dxda\":" + std::to_string(total.dxda) + "},\"score\":" + std::to_string(total.Score()) +
         ",\"contacts\":" + std::to_string(scorer.Contacts()) + ",\"duplicates\":[" + duplicates_ +
         "],\"new_multipliers\":[" + multipliers_ + "],\"bad_lines\":[" + bad + "]" +
         (checkList_ != nullptr ? ",\"not_in_scp\":[" + notInList_ + "]}" : std::string("}"));
}

}  // namespace varnholt
