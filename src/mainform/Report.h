// The statistics report: header, one line per band, totals and the claimed
// score, as the statistics window shows it in a fixed-pitch font.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mainform/Scoring.h"

namespace varnholt {

// Prefixes `text` with spaces up to `width` characters; never cuts.
std::string PadLeft(std::string_view text, std::size_t width);

// The whole report, lines separated by CR LF, trimmed at both ends. The score
// is total points times total multipliers, in 64 bits: a big log would wrap a
// 32-bit product to a wrong, even negative, score.
std::string StatisticsText(const std::vector<TStatistic>& bands);

}  // namespace varnholt
