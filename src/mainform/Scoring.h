// The contest's rule book and the statistics it keeps: the worked list, one
// row of totals per band and the multiplier keys. The statistics window owns
// one ContestScore; its inputs are only the contact it is given, which the
// plug-in reads from CurrentQso.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/QsoView.h"
#include "mainform/DxdaKeys.h"
#include "mainform/WorkedList.h"

namespace varnholt {

// The last four characters of the trimmed, upper-cased report when they are
// all digits "0"-"9"; otherwise the empty text.
std::string DxdaNumber(std::string_view reportReceived);
// The same, as a view into `reportReceived`.
std::string_view DxdaNumberView(std::string_view reportReceived);

// Contacts, points and multipliers of one band, in the order bands were met.
struct TStatistic {
  std::string band;
  std::int32_t QSOs = 0;
  std::int32_t Points = 0;
  std::int32_t DXDA = 0;
};

enum class ScoreMode { Check, Record };

// ScoreQso's answer for a duplicate; otherwise it answers the points.
constexpr std::int32_t kDuplicate = -1;

class ContestScore {
 public:
  // Compares multiplier keys under `collation`, which must outlive this object.
  explicit ContestScore(const KeyCollation& collation) : keys_(collation) {}

  // -1 for a duplicate (nothing recorded), else the points of `qso`, 1 or 3.
  // Record mode also adds the contact to the worked list, its band's row and,
  // for a number not yet seen on that band, to the band's multipliers.
  std::int32_t ScoreQso(const QsoView& qso, ScoreMode mode);

  // Whether the last ScoreQso added a multiplier to its band.
  bool LastAddedMultiplier() const { return lastAddedMultiplier_; }

  // Empties the worked list, the band rows and the multiplier keys.
  void Clear();

  const std::vector<TStatistic>& BandStatistics() const { return bands_; }
  WorkedList& Worked() { return worked_; }
  const WorkedList& Worked() const { return worked_; }
  const DxdaKeys& Keys() const { return keys_; }

 private:
  std::int32_t Points(const QsoView& qso);
  TStatistic& RowForBand(std::string_view band);

  WorkedList worked_;
  std::vector<TStatistic> bands_;
  // Band text to row position: rows are never removed or reordered, and a
  // band has one row at most, so this finds the first match of a scan.
  std::unordered_map<std::string, std::size_t> bandRow_;
  std::size_t lastRow_ = 0;
  DxdaKeys keys_;
  bool lastAddedMultiplier_ = false;
  std::string scratch_;  // reused for prefixes and keys: no allocation per contact
};

}  // namespace varnholt
