#include "mainform/DxdaKeys.h"

#include "common/TextRules.h"

namespace varnholt {

bool AsciiKeyCollation::Equivalent(std::string_view a, std::string_view b) const {
  return EqualsIgnoringCase(a, b);
}

bool AsciiKeyCollation::IndexForm(std::string_view key, std::string& out) const {
  out.assign(key);
  UpperAsciiInPlace(out);
  return true;
}

bool NumberedKeys::Handles(std::string_view form) const {
  if (form.size() < 6) return false;
  const std::string_view tail = form.substr(form.size() - 6);
  if (tail[0] != '|' || tail[5] != '|') return false;
  unsigned number = 0;
  for (std::size_t i = 1; i <= 4; ++i) {
    if (!IsDigit(tail[i])) return false;
    number = number * 10 + static_cast<unsigned>(tail[i] - '0');
  }
  const std::string_view band = form.substr(0, form.size() - 6);
  // Contacts come in runs on one band: try the last band first.
  if (row_ >= bits_.size() || bits_[row_].form != band) {
    row_ = 0;
    while (row_ < bits_.size() && bits_[row_].form != band) ++row_;
    if (row_ == bits_.size()) {
      if (bits_.size() == kMostBands) return false;
      row_ = kNoRow;
    }
  }
  band_ = band;
  number_ = number;
  return true;
}

bool NumberedKeys::Contains() const {
  return row_ != kNoRow && ((bits_[row_].words[number_ / 64] >> (number_ % 64)) & 1u) != 0;
}

void NumberedKeys::Insert() {
  if (row_ == kNoRow) {
    row_ = bits_.size();
    bits_.emplace_back();
    bits_.back().form.assign(band_);
  }
  bits_[row_].words[number_ / 64] |= std::uint64_t{1} << (number_ % 64);
}

void NumberedKeys::Clear() {
  bits_.clear();
  row_ = kNoRow;
}

bool DxdaKeys::Contains(std::string_view key) const {
  const bool indexable = collation_.IndexForm(key, scratch_);
  return indexable ? ContainsIndexable(key) : ContainsByScan(key);
}

bool DxdaKeys::ContainsByScan(std::string_view key) const {
  for (const std::string& known : keys_) {
    if (collation_.Equivalent(key, known)) return true;
  }
  return false;
}

// The index speaks for every indexable key; the few others need the
// equivalence itself.
bool DxdaKeys::ContainsIndexable(std::string_view key) const {
  if (numbered_.Handles(scratch_) ? numbered_.Contains() : index_.Contains(scratch_)) return true;
  for (std::size_t at : unindexed_) {
    if (collation_.Equivalent(key, keys_[at])) return true;
  }
  return false;
}

bool DxdaKeys::AddIfNew(std::string_view key) {
  if (collation_.IndexForm(key, scratch_)) {
    if (ContainsIndexable(key)) return false;
    if (numbered_.Handles(scratch_)) {
      numbered_.Insert();
    } else {
      index_.Insert(scratch_);
    }
  } else {
    if (ContainsByScan(key)) return false;
    unindexed_.push_back(keys_.size());
  }
  keys_.emplace_back(key);
  return true;
}

void DxdaKeys::Clear() {
  keys_.clear();
  numbered_.Clear();
  index_.Clear();
  unindexed_.clear();
}

}  // namespace varnholt
