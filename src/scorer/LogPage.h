// One page about a scored log, for a browser: the summary and the band rows,
// the rates, the time on and off the air, two charts (contacts per hour by
// band, the claimed score over time) and the log hour by hour. The page is
// whole in itself, styles and charts (SVG) inline, with no script and
// nothing to fetch, so it opens offline anywhere and can be mailed. Its bytes
// depend only on the log and the options, not on the system that made it.
#pragma once

#include <string>
#include <string_view>

#include "scorer/ScoreLog.h"
#include "scorer/TimeAnalysis.h"

namespace varnholt {

// `logName` (UTF-8) names the log; `program` the program that wrote the page.
std::string LogPage(const LogScorer& scorer, const TimeAnalysis& times, std::string_view logName,
                    std::string_view format, std::string_view program);

// `text`, read as UTF-8, as HTML text or attribute value: markup characters
// as references, and every byte that is no part of a UTF-8 character (and
// every control character but tab and line feed) as U+FFFD.
std::string HtmlText(std::string_view text);

}  // namespace varnholt
