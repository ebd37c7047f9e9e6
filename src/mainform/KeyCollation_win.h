// Multiplier keys compared as the user's locale compares text with letter
// case ignored.
#pragma once

#include <bitset>

#include "mainform/DxdaKeys.h"

namespace varnholt {

class LocaleKeyCollation final : public KeyCollation {
 public:
  LocaleKeyCollation();
  bool Equivalent(std::string_view a, std::string_view b) const override;
  // Keys made only of characters for which the locale's comparison agrees
  // with plain upper-casing are indexed by their upper-cased form.
  bool IndexForm(std::string_view key, std::string& out) const override;

 private:
  std::bitset<256> indexable_;
};

}  // namespace varnholt
