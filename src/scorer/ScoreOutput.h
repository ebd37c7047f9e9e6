// What the scorer prints for a log: the window's report, one line per
// contact (--explain), a JSON object (--json), or the summary an operator
// pastes into a score-reporting site (--summary).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scorer/CallList.h"
#include "scorer/ScoreLog.h"
#include "scorer/TimeAnalysis.h"

namespace varnholt {

// The window's report text, line for line, each line ended by '\n' (the
// window separates its lines by CR LF and ends the last one without).
std::string ReportLines(const std::vector<TStatistic>& bands);

// "12<TAB>UR5ABC<TAB>20M<TAB>CW<TAB>599 1234<TAB>3 points, new multiplier 1234",
// a line per contact as it is scored.
// With a check list, a call missing from it is marked ", not in MASTER.SCP".
class ExplainWriter final : public ScoreWatcher {
 public:
  explicit ExplainWriter(std::ostream& out, const CallListData* checkList = nullptr)
      : out_(out), checkList_(checkList) {}
  void Scored(const ScoredContact& contact) override;

 private:
  std::ostream& out_;
  const CallListData* checkList_;
};

// `text` as a JSON string, quotes included, in ASCII: every character
// outside it as its \u escape. `text` is read as UTF-8; each byte that is
// no part of a UTF-8 character (a single-byte code page's text) is written as
// U+FFFD, never as another character.
std::string JsonString(std::string_view text);

// Collects the duplicates and the new multipliers in log order, for a JSON
// object of the whole log; with a check list, also the contacts whose call
// is missing from it.
class JsonCollector final : public ScoreWatcher {
 public:
  explicit JsonCollector(const CallListData* checkList = nullptr) : checkList_(checkList) {}
  void Scored(const ScoredContact& contact) override;
  // One line: the log's name and format, the station, the band rows, the
  // totals and the score, the contacts counted, the duplicates, the new
  // multipliers, the lines passed over (each saying whether its record's
  // contact counted all the same) and, with a check list, the contacts not
  // in it ("not_in_scp"). With `times`, also the analysis over time: "time"
  // (how many contacts it covers, the first and the last, on and off time in
  // seconds, and the off-time used), "hours", "rates" and "off_periods".
  std::string Object(const LogScorer& scorer, std::string_view log, std::string_view format,
                     const TimeAnalysis* times = nullptr) const;

 private:
  const CallListData* checkList_;
  std::string duplicates_;  // JSON array elements, comma-separated
  std::string multipliers_;
  std::string notInList_;
};

// The text an operator pastes into a score-reporting site: the station,
// contest and category the log names, per band its contacts, points and
// multipliers, the totals and the claimed score, operating time and
// off-time, the first and the last contact, duplicates and lines passed
// over. Lines end in '\n'.
std::string SummaryText(const LogScorer& scorer, const TimeAnalysis& times);

// The code point of the UTF-8 character at `at` and its size in bytes; size 0
// where the bytes there are no UTF-8 (overlong forms and surrogates included).
std::pair<std::uint32_t, std::size_t> DecodeUtf8(std::string_view text, std::size_t at);

}  // namespace varnholt
