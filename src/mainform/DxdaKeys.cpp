#include "mainform/DxdaKeys.h"

#include "mainform/TextRules.h"

namespace varnholt {

bool AsciiKeyCollation::Equivalent(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

bool AsciiKeyCollation::IndexForm(std::string_view key, std::string& out) const {
  out.assign(key);
  UpperAsciiInPlace(out);
  return true;
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
  if (index_.Contains(scratch_)) return true;
  for (std::size_t at : unindexed_) {
    if (collation_.Equivalent(key, keys_[at])) return true;
  }
  return false;
}

bool DxdaKeys::AddIfNew(std::string_view key) {
  if (collation_.IndexForm(key, scratch_)) {
    if (ContainsIndexable(key)) return false;
    index_.Insert(scratch_);
  } else {
    if (ContainsByScan(key)) return false;
    unindexed_.push_back(keys_.size());
  }
  keys_.emplace_back(key);
  return true;
}

void DxdaKeys::Clear() {
  keys_.clear();
  index_.Clear();
  unindexed_.clear();
}

}  // namespace varnholt
