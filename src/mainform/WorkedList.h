// The list of worked contacts and its duplicate search.
//
// A contact counts once per call sign, band and mode, all compared byte for
// byte. The list is a hash set of those three texts, so a lookup or an
// insertion costs one probe, whatever the size of the log.
//
// Nothing depends on the order contacts arrive in: the log re-scan appends
// rows in the database's "order by CallSign", whose collation is often
// case-insensitive or locale-aware, and a binary search over such an order
// would miss duplicates and inflate the claimed score.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/QsoView.h"
#include "mainform/ByteKeySet.h"

namespace varnholt {

// One worked contact, as it was recorded: no trimming, no case change.
struct TQSO {
  std::string callSign;
  std::string band;
  std::string mode;
};

// Byte-wise comparison: unsigned bytes from the first on, a prefix orders
// before the longer text, case matters. 1, 0 or -1.
int CompareBytes(std::string_view a, std::string_view b);

// Orders two contacts by call sign alone: 1, 0 or -1.
int CompareByCall(const TQSO& a, const TQSO& b);

class WorkedList {
 public:
  // Whether a contact with the call sign, band and mode of `qso` was worked.
  bool IsDuplicate(const QsoView& qso) const;
  // Records the call sign, band and mode of `qso` unless it is a duplicate;
  // false for a duplicate. One lookup.
  bool AddWorkedIfNew(const QsoView& qso);

  void Clear();
  std::size_t Count() const { return contacts_.Size(); }

 private:
  // The contact's three texts in one key, each but the last behind its length
  // byte, so that no two different contacts share a key.
  const std::string& KeyOf(const QsoView& qso) const;

  ByteKeySet contacts_;
  mutable std::string key_;
};

}  // namespace varnholt
