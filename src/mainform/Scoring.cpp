#include "mainform/Scoring.h"

#include <vector>

#include "mainform/TextRules.h"

namespace varnholt {

namespace {

constexpr std::string_view kNoDxdaNumber = "0000";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsHomeRegionPrefix(std::string_view prefix) {
  // ":" + prefix + ":" inside the list; without a colon of its own the prefix
  // can only match one whole entry, which is the common, cheap case.
  if (prefix.empty() || prefix.size() > 3 || prefix.find(':') != std::string_view::npos) {
    std::string probe;
    probe.reserve(prefix.size() + 2);
    probe.append(":").append(prefix).append(":");
    return kHomeRegionList.find(probe) != std::string_view::npos;
  }
  static const std::vector<std::string_view> kEntries = [] {
    std::vector<std::string_view> entries;
    for (std::size_t start = 1; start < kHomeRegionList.size();) {
      const std::size_t end = kHomeRegionList.find(':', start);
      entries.push_back(kHomeRegionList.substr(start, end - start));
      start = end + 1;
    }
    return entries;
  }();
  for (std::string_view entry : kEntries) {
    if (entry == prefix) return true;
  }
  return false;
}

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

ContestScore::ContestScore(const QsoRecord& qso, const KeyCollation& collation)
    : qso_(qso), worked_(qso), keys_(collation) {}

void ContestScore::Clear() {
  worked_.Clear();
  bands_.clear();
  bandRow_.clear();
  lastRow_ = 0;
  keys_.Clear();
}

std::int32_t ContestScore::Points() {
  // While the station itself is in the home region every contact is worth 1;
  // otherwise a home-region station worked is worth 3.
  scratch_.assign(Trim(qso_.Text(QsoField::StationPrefix)));
  UpperAsciiInPlace(scratch_);
  if (IsHomeRegionPrefix(scratch_)) return 1;
  scratch_.assign(Trim(qso_.Text(QsoField::DxccPrefix)));
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

std::int32_t ContestScore::ScoreQso(ScoreMode mode) {
  lastAddedMultiplier_ = false;
  if (mode == ScoreMode::Check) return worked_.IsDuplicate() ? kDuplicate : Points();
  if (!worked_.AddWorkedIfNew()) return kDuplicate;

  const std::string_view band = qso_.Text(QsoField::Band);
  TStatistic& row = RowForBand(band);
  const std::int32_t points = Points();
  row.QSOs += 1;
  row.Points += points;

  // Upper-casing never turns anything into a digit, so the number can be
  // taken from the trimmed report as it stands.
  const std::string_view number = DxdaNumberView(qso_.Text(QsoField::ReportReceived));
  scratch_.assign(band).append("|").append(number).append("|");
  if (keys_.AddIfNew(scratch_) && number != kNoDxdaNumber) {
    row.DXDA += 1;
    lastAddedMultiplier_ = true;
  }
  return points;
}

}  // namespace varnholt
