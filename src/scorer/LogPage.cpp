#include "scorer/LogPage.h"

#include <algorithm>
#include <cstdint>

#include "mainform/Report.h"
#include "scorer/ScoreOutput.h"

namespace varnholt {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// One colour a band, in the band columns' order; more bands than colours
// take them again.
constexpr const char* kBandColours[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd", "#8c564b",
                                        "#e377c2", "#7f7f7f", "#bcbd22", "#17becf", "#393b79", "#ad494a"};

const char* BandColour(std::size_t band) { return kBandColours[band % std::size(kBandColours)]; }

constexpr const char* kStyle = R"(body{font-family:system-ui,-apple-system,"Segoe UI",sans-serif;
margin:2em auto;max-width:1100px;padding:0 1em;color:#222;background:#fff}
h1{margin-bottom:.2em}h1 span{font-weight:normal;color:#555}
.sub{color:#555;margin-top:0}
.score{font-size:1.4em;margin:.5em 0}
table{border-collapse:collapse;margin:.5em 0 1.5em}
th,td{padding:.2em .6em;border-bottom:1px solid #ddd;white-space:nowrap}
table.hours{font-size:.9em}
th{background:#f3f3f3;text-align:left}
td.n,th.n{text-align:right;font-variant-numeric:tabular-nums}
table.facts th{background:none;font-weight:normal;color:#555}
figure{margin:1em 0 2em}figcaption{color:#555}
svg{width:100%;height:auto;font-size:12px}
svg text{fill:#333}
svg .grid{stroke:#ddd}svg .axis{stroke:#333}
svg .score{fill:none;stroke:#d62728;stroke-width:2}
tr.busiest td{background:#fff6d5}
)";

// 15848981 as "15,848,981".
std::string Grouped(std::int64_t value) {
  const std::string digits = std::to_string(value < 0 ? -value : value);
  std::string out = value < 0 ? "-" : "";
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string Num(std::int64_t value) { return "<td class=\"n\">" + Grouped(value) + "</td>"; }

// A step for about `ticks` grid lines up to `most`: 1, 2 or 5 times a power of ten.
std::int64_t NiceStep(std::int64_t most, std::int64_t ticks) {
  std::int64_t power = 1;
  for (;;) {
    for (const std::int64_t m : {1, 2, 5}) {
      if (most <= m * power * ticks) return m * power;
    }
    power *= 10;
  }
}

// The plot area of a chart, in the SVG's own units.
struct Plot {
  int left, top, width, height;
  UtcSeconds from, to;  // the time axis
  std::int64_t most;    // the value axis: 0 to most
  int X(UtcSeconds t) const { return left + static_cast<int>((t - from) * width / (to - from)); }
  int Y(std::int64_t v) const { return top + height - static_cast<int>(v * height / most); }
};

std::string Attr(std::string_view name, std::int64_t value) {
  return " " + std::string(name) + "=\"" + std::to_string(value) + "\"";
}

// Grid lines and labels of the value axis, ticks and UTC labels of the time
// axis (the hour, and the date at midnight and at the first tick).
std::string Axes(const Plot& p, std::int64_t step, std::string_view valueTitle) {
  std::string out;
  for (std::int64_t v = 0; v <= p.most; v += step) {
    out += "<line class=\"grid\"" + Attr("x1", p.left) + Attr("x2", p.left + p.width) + Attr("y1", p.Y(v)) +
           Attr("y2", p.Y(v)) + "/><text text-anchor=\"end\"" + Attr("x", p.left - 6) + Attr("y", p.Y(v) + 4) + ">" +
           Grouped(v) + "</text>";
  }
  const int bottom = p.top + p.height;
  out += "<line class=\"axis\"" + Attr("x1", p.left) + Attr("x2", p.left + p.width) + Attr("y1", bottom) +
         Attr("y2", bottom) + "/>";
  const std::int64_t hours = (p.to - p.from) / kSecondsPerHour;
  std::int64_t every = 1;
  for (const std::int64_t h : {1, 2, 3, 6, 12, 24, 48, 168, 336, 720, 2160, 8760}) {
    every = h;
    if (hours / h <= 16) break;
  }
  while (hours / every > 16) every *= 2;
  const UtcSeconds stride = every * kSecondsPerHour;
  UtcSeconds first = p.from + (stride - (p.from % stride + stride) % stride) % stride;
  for (UtcSeconds t = first; t <= p.to; t += stride) {
    const std::string when = UtcText(t);  // "2025-03-29 00:00"
    const int x = p.X(t);
    out += "<line class=\"axis\"" + Attr("x1", x) + Attr("x2", x) + Attr("y1", bottom) + Attr("y2", bottom + 5) +
           "/><text text-anchor=\"middle\"" + Attr("x", x) + Attr("y", bottom + 18) + ">" + when.substr(11, 2) +
           "</text>";
    if (t == first || when.substr(11, 2) == "00")
      out += "<text text-anchor=\"middle\"" + Attr("x", x) + Attr("y", bottom + 32) + ">" + when.substr(5, 5) +
             "</text>";
  }
  out += "<text text-anchor=\"end\"" + Attr("x", p.left + p.width) + Attr("y", bottom + 44) + ">UTC</text>";
  out += "<text" + Attr("x", p.left) + Attr("y", p.top - 8) + ">" + std::string(valueTitle) + "</text>";
  return out;
}

constexpr int kChartWidth = 960, kChartHeight = 320;

std::string SvgOpen(std::string_view id, std::string_view label) {
  return "<svg id=\"" + std::string(id) + "\" role=\"img\" aria-label=\"" + std::string(label) +
         "\" viewBox=\"0 0 " + std::to_string(kChartWidth) + " " + std::to_string(kChartHeight) +
         "\" xmlns=\"http://www.w3.org/2000/svg\">";
}

Plot TimePlot(const TimeAnalysis& t, int left, std::int64_t most) {
  return {left, 48, kChartWidth - left - 20, kChartHeight - 48 - 56, t.hours.front().start,
          t.hours.back().start + kSecondsPerHour, most};
}

std::string HourlyChart(const TimeAnalysis& t) {
  std::int64_t most = 1;
  for (const HourRow& h : t.hours) most = std::max<std::int64_t>(most, h.qsos);
  const std::int64_t step = NiceStep(most, 6);
  Plot p = TimePlot(t, 56, (most + step - 1) / step * step);
  std::string out = SvgOpen("hourly-chart", "Contacts per hour, by band");
  // The legend: the bands the hours hold.
  int x = p.left;
  for (std::size_t b = 0; b < t.bands.size(); ++b) {
    out += "<rect" + Attr("x", x) + Attr("y", 6) + Attr("width", 12) + Attr("height", 12) + " fill=\"" +
           BandColour(b) + "\"/><text" + Attr("x", x + 16) + Attr("y", 16) + ">" + HtmlText(t.bands[b]) + "</text>";
    x += 24 + 8 * static_cast<int>(std::min<std::size_t>(t.bands[b].size(), 12));
  }
  out += Axes(p, step, "contacts per hour");
  for (const HourRow& h : t.hours) {
    const int left = p.X(h.start) + 1, width = std::max(1, p.X(h.start + kSecondsPerHour) - p.X(h.start) - 2);
    std::int64_t below = 0;
    for (std::size_t b = 0; b < h.bandQsos.size(); ++b) {
      if (h.bandQsos[b] == 0) continue;
      const int top = p.Y(below + h.bandQsos[b]), bottom = p.Y(below);
      below += h.bandQsos[b];
      out += "<rect class=\"bar\"" + Attr("x", left) + Attr("y", top) + Attr("width", width) +
             Attr("height", bottom - top) + " fill=\"" + BandColour(b) + "\"><title>" +
             HtmlText(UtcText(h.start) + " " + t.bands[b] + ": ") + std::to_string(h.bandQsos[b]) +
             "</title></rect>";
    }
  }
  return out + "</svg>";
}

std::string ScoreChart(const TimeAnalysis& t) {
  std::int64_t most = 1;
  for (const HourRow& h : t.hours) most = std::max(most, h.score);
  const std::int64_t step = NiceStep(most, 5);
  const Plot p = TimePlot(t, 96, (most + step - 1) / step * step);
  std::string out = SvgOpen("score-chart", "The claimed score over time") + Axes(p, step, "claimed score");
  // Flat through the hours without contacts, rising through each hour with some.
  std::string points = std::to_string(p.X(p.from)) + "," + std::to_string(p.Y(0));
  std::int64_t before = 0;
  for (const HourRow& h : t.hours) {
    points += " " + std::to_string(p.X(h.start)) + "," + std::to_string(p.Y(before)) + " " +
              std::to_string(p.X(h.start + kSecondsPerHour)) + "," + std::to_string(p.Y(h.score));
    before = h.score;
  }
  return out + "<polyline class=\"score\" points=\"" + points + "\"/></svg>";
}

std::string FactRow(std::string_view label, const std::string& value) {
  return "<tr><th>" + std::string(label) + "</th><td>" + value + "</td></tr>\n";
}

std::string Summary(const LogScorer& scorer, const TimeAnalysis& t) {
  const ReportTotals total = TotalsOf(scorer.BandStatistics());
  std::string out = "<section id=\"summary\"><h2>Summary</h2>\n<p class=\"score\">Claimed score <strong>" +
                    Grouped(total.Score()) + "</strong></p>\n<table class=\"facts\">\n";
  out += FactRow("Contacts", Grouped(total.qsos)) + FactRow("Points", Grouped(total.points)) +
         FactRow("Multipliers", Grouped(total.dxda)) + FactRow("Duplicates", Grouped(scorer.Duplicates())) +
         FactRow("Lines passed over", Grouped(static_cast<std::int64_t>(scorer.BadLines().size())));
  if (t.HasTimes()) {
    out += FactRow("First contact", UtcText(t.first) + " UTC") + FactRow("Last contact", UtcText(t.last) + " UTC") +
           FactRow("Operating time", HoursAndMinutes(t.onTime)) + FactRow("Off-time", HoursAndMinutes(t.offTime));
    if (t.untimed > 0)
      out += FactRow("Contacts without a time", Grouped(static_cast<std::int64_t>(t.untimed)) +
                                                   " (left out of the times on this page)");
  } else {
    out += FactRow("Times", kNoContactTimes);
  }
  out += "</table>\n<h3>Per band</h3>\n<table class=\"bands\"><thead><tr><th>Band</th><th class=\"n\">QSOs</th>"
         "<th class=\"n\">Points</th><th class=\"n\">Multipliers</th></tr></thead><tbody>\n";
  for (const TStatistic& band : scorer.BandStatistics())
    out += "<tr><td>" + HtmlText(band.band) + "</td>" + Num(band.QSOs) + Num(band.Points) + Num(band.DXDA) + "</tr>\n";
  out += "<tr><th>Total</th>" + Num(total.qsos) + Num(total.points) + Num(total.dxda) +
         "</tr>\n</tbody></table>\n</section>\n";
  return out;
}

std::string Rates(const TimeAnalysis& t) {
  std::string out =
      "<section id=\"rates\"><h2>Rates</h2>\n<table><thead><tr><th>Window</th><th class=\"n\">Contacts per "
      "hour</th><th class=\"n\">Contacts</th><th>When (UTC)</th></tr></thead><tbody>\n";
  for (const RateWindow& w : t.best) {
    out += "<tr><td>Best " + std::to_string(w.minutes) + " minutes</td>" + Num(w.PerHour()) + Num(w.qsos) + "<td>" +
           UtcText(w.from) + " to " + UtcText(w.to).substr(11) + "</td></tr>\n";
  }
  out += "<tr><td>Whole on-time (" + HoursAndMinutes(t.onTime) + ")</td>" + Num(t.OverallPerHour()) + Num(t.qsos) +
         "<td>" + UtcText(t.first) + " to " + UtcText(t.last) + "</td></tr>\n</tbody></table>\n</section>\n";
  return out;
}

std::string OnAndOff(const TimeAnalysis& t) {
  std::string out = "<section id=\"on-off\"><h2>On and off</h2>\n<p>An off period is a gap of at least " +
                    std::to_string(t.offMinutes) +
                    " minutes between two contacts (--off-time " + std::to_string(t.offMinutes) + "). On-time " +
                    HoursAndMinutes(t.onTime) + ", off-time " + HoursAndMinutes(t.offTime) + " in " +
                    std::to_string(t.offPeriods.size()) + (t.offPeriods.size() == 1 ? " period" : " periods") +
                    ".</p>\n";
  if (t.offPeriods.empty()) return out + "</section>\n";
  out += "<table><thead><tr><th>Off from (UTC)</th><th>To</th><th class=\"n\">Length</th></tr></thead><tbody>\n";
  for (const OffPeriod& p : t.offPeriods) {
    out += "<tr class=\"off\"><td>" + UtcText(p.from) + "</td><td>" + UtcText(p.to) + "</td><td class=\"n\">" +
           HoursAndMinutes(p.to - p.from) + "</td></tr>\n";
  }
  return out + "</tbody></table>\n</section>\n";
}

std::string Hours(const TimeAnalysis& t) {
  std::string out =
      "<section id=\"hours\"><h2>Hour by hour</h2>\n<table class=\"hours\"><thead><tr><th>Hour (UTC)</th>";
  for (const std::string& band : t.bands) out += "<th class=\"n\">" + HtmlText(band) + "</th>";
  out += "<th class=\"n\">Total</th><th class=\"n\">Cumulative</th><th class=\"n\">Score</th>"
         "<th class=\"n\">New mults</th>";
  for (const std::string& transmitter : t.transmitters)
    out += "<th class=\"n\">TX " + HtmlText(transmitter.empty() ? "(none)" : transmitter) + "</th>";
  out += "</tr></thead><tbody>\n";
  for (std::size_t i = 0; i < t.hours.size(); ++i) {
    const HourRow& h = t.hours[i];
    out += std::string(i == t.busiestHour ? "<tr class=\"hour busiest\"><td>" : "<tr class=\"hour\"><td>") +
           UtcText(h.start) + "</td>";
    for (const std::int32_t qsos : h.bandQsos) out += Num(qsos);
    out += Num(h.qsos) + Num(h.cumulativeQsos) + Num(h.score) + Num(h.newMultipliers);
    for (const std::int32_t qsos : h.transmitterQsos) out += Num(qsos);
    out += "</tr>\n";
  }
  return out + "</tbody></table>\n<p>Score: the claimed score at the hour's end. TX: contacts per transmitter. "
               "The busiest hour is marked. Hours without a contact are not listed; the off periods above show "
               "them.</p>\n</section>\n";
}

}  // namespace

std::string HtmlText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto [c, size] = DecodeUtf8(text, at);
    if (size == 0 || (c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
      out += kReplacementCharacter;
      at += size == 0 ? 1 : size;
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out.append(text.substr(at, size));
    }
    at += size;
  }
  return out;
}

std::string LogPage(const LogScorer& scorer, const TimeAnalysis& times, std::string_view logName,
                    std::string_view format, std::string_view program) {
  const std::string call = scorer.StationCall();
  const std::string contest = scorer.Contest();
  const std::string title = (call.empty() ? std::string(logName) : call) + (contest.empty() ? "" : ": " + contest);
  std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
                    HtmlText(title) + "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n<header><h1>" +
                    HtmlText(call.empty() ? std::string(logName) : call) +
                    (contest.empty() ? "" : " <span>" + HtmlText(contest) + "</span>") + "</h1>\n<p class=\"sub\">";
  if (!scorer.Category().empty()) out += "Category " + HtmlText(scorer.Category()) + " &middot; ";
  out += HtmlText(logName) + " (" + HtmlText(format) + ") &middot; scored by " + HtmlText(program) +
         "</p></header>\n" + Summary(scorer, times);
  if (!times.HasTimes()) {
    return out + "<section id=\"times\"><h2>Over time</h2>\n<p>" + HtmlText(kNoContactTimes) +
           ".</p>\n</section>\n</body>\n</html>\n";
  }
  out += Rates(times) + OnAndOff(times) +
         "<section id=\"charts\"><h2>Charts</h2>\n<figure>" + HourlyChart(times) +
         "<figcaption>Contacts per hour, by band, in UTC clock hours.</figcaption></figure>\n<figure>" +
         ScoreChart(times) + "<figcaption>The claimed score over time (UTC).</figcaption></figure>\n</section>\n" +
         Hours(times);
  return out + "</body>\n</html>\n";
}

}  // namespace varnholt
