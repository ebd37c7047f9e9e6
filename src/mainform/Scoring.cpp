#include "mainform/Scoring.h"

#include "common/HomeRegion.h"
#include "common/TextRules.h"

namespace varnholt {

constexpr std::string_view kNoDxdaNumber = "0000";

std::string DxdaNumber(std::string_view reportReceived) {
  return std::string(DxdaNumberView(reportReceived));
}

std::string_view DxdaNumberView(std::string_view reportReceived) {
  const std::string_view t = Trim(reportReceived);
  if (t.size() < 4) return {};
  const std::string_view last = t.substr(t.size() - 4);
  for (char c : last) {
    if (!IsDigit(c)) return {};
  }
  return last;
}

void ContestScore::Clear() {
  worked_.Clear();
  bands_.clear();
  bandRow_.clear();
  lastRow_ = 0;
  keys_.Clear();
}

std::int32_t ContestScore::Points(const QsoView& qso) {
  // While the station itself is in the home region every contact is worth 1;
  // otherwise a home-region station worked is worth 3.
  scratch_.assign(Trim(qso.stationPrefix));
  UpperAsciiInPlace(scratch_);
  if (IsHomeRegionPrefix(scratch_)) return 1;
  scratch_.assign(Trim(qso.dxccPrefix));
  UpperAsciiInPlace(scratch_);
  return IsHomeRegionPrefix(scratch_) ? 3 : 1;
}

TStatistic& ContestScore::RowForBand(std::string_view band) {
  // Contacts come in runs on one band: try the last row used first.
  if (lastRow_ < bands_.size() && bands_[lastRow_].band == band) return bands_[lastRow_];
  std::string key(band);
  auto found = bandRow_.find(key);
  if (found == bandRow_.end()) {
    found = bandRow_.emplace(key, bands_.size()).first;
    bands_.push_back(TStatistic{std::move(key)});
  }
  lastRow_ = found->second;
  return bands_[lastRow_];
}

std::int32_t ContestScore::ScoreQso(const QsoView& qso, ScoreMode mode) {
  lastAddedMultiplier_ = false;
  if (mode == ScoreMode::Check) return worked_.IsDuplicate(qso) ? kDuplicate : Points(qso);
  if (!worked_.AddWorkedIfNew(qso)) return kDuplicate;

  TStatistic& row = RowForBand(qso.band);
  const std::int32_t points = Points(qso);
  row.QSOs += 1;
  row.Points += points;

  // Upper-casing never turns anything into a digit, so the number can be
  // taken from the trimmed report as it stands.
  const std::string_view number = DxdaNumberView(qso.report);
  scratch_.assign(qso.band).append("|").append(number).append("|");
  if (keys_.AddIfNew(scratch_) && number != kNoDxdaNumber) {
    row.DXDA += 1;
    lastAddedMultiplier_ = true;
  }
  return points;
}

}  // namespace varnholt
