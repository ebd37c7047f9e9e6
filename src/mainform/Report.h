// The statistics report: header, one line per band, totals and the claimed
// score, as the statistics window shows it in a fixed-pitch font.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mainform/Scoring.h"

namespace varnholt {

// Prefixes `text` with spaces up to `width` characters; never cuts.
std::string PadLeft(std::string_view text, std::size_t width);

// The sums over all band rows, and the score: total points times total
// multipliers. In 64 bits: a big log would wrap a 32-bit product to a wrong,
// even negative, score.
struct ReportTotals {
  std::int64_t qsos = 0, points = 0, dxda = 0;
  std::int64_t Score() const { return points * dxda; }
};
ReportTotals TotalsOf(const std::vector<TStatistic>& bands);

// The whole report, lines separated by `lineEnd`, trimmed at both ends. The
// window's text box separates its lines by CR LF.
std::string StatisticsText(const std::vector<TStatistic>& bands, std::string_view lineEnd = "\r\n");

}  // namespace varnholt
