// The (band, number) pairs already received, each as band + "|" + number +
// "|", remembered in the order first seen. Two keys are the same when they
// are equal without regard to letter case, under the equivalence that a
// KeyCollation supplies.
//
// Membership is answered from an index, not a scan: a re-scan of a big log
// meets tens of thousands of distinct keys, and a linear search per contact
// would make it quadratic.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "mainform/ByteKeySet.h"

namespace varnholt {

// The case-insensitive equivalence of multiplier keys.
class KeyCollation {
 public:
  virtual ~KeyCollation() = default;
  // Whether a and b are the same key.
  virtual bool Equivalent(std::string_view a, std::string_view b) const = 0;
  // Sets `out` to the index form of `key` and returns true when, for keys
  // made of such characters, equal index forms mean Equivalent() and
  // different ones mean not. Returns false when only Equivalent() can tell.
  virtual bool IndexForm(std::string_view key, std::string& out) const = 0;
};

// "a"-"z" and "A"-"Z" are the same letter; every other byte is itself.
class AsciiKeyCollation final : public KeyCollation {
 public:
  bool Equivalent(std::string_view a, std::string_view b) const override;
  bool IndexForm(std::string_view key, std::string& out) const override;
};

// Index forms of the common shape band + "|" + four digits + "|", held as
// one bit per number under their band. A big log meets tens of thousands of
// such keys on a handful of bands; their bits fit in the processor's
// nearest cache, where a hash table of the same keys does not.
class NumberedKeys {
 public:
  // Whether these bits answer for `form`: it has that shape, and its band is
  // held here or there is room for it. While there are few bands, every band
  // is taken; once there are many, a new band's keys are left to the caller,
  // and stay so until Clear().
  bool Handles(std::string_view form) const;
  // Both for the `form` that Handles() took right before; Insert() needs
  // that text to be still there.
  bool Contains() const;
  void Insert();
  void Clear();

 private:
  static constexpr std::size_t kMostBands = 32;
  static constexpr std::size_t kNoRow = kMostBands;
  struct Band {
    std::string form;
    std::uint64_t words[(10000 + 63) / 64] = {};
  };
  std::vector<Band> bits_;
  // What Handles() found: the band's row (kNoRow for a band not yet held),
  // the band's text and the number.
  mutable std::size_t row_ = kNoRow;
  mutable std::string_view band_;
  mutable unsigned number_ = 0;
};

class DxdaKeys {
 public:
  // Uses `collation`, which must outlive the keys.
  explicit DxdaKeys(const KeyCollation& collation) : collation_(collation) {}

  bool Contains(std::string_view key) const;
  // Remembers `key` unless an equivalent key is known; true when it was new.
  bool AddIfNew(std::string_view key);
  void Clear();
  std::size_t Count() const { return keys_.size(); }
  const std::vector<std::string>& InOrderSeen() const { return keys_; }

 private:
  // Both expect scratch_ to hold the index form of `key` where it has one.
  bool ContainsIndexable(std::string_view key) const;
  bool ContainsByScan(std::string_view key) const;

  const KeyCollation& collation_;
  std::vector<std::string> keys_;           // in the order first seen
  NumberedKeys numbered_;                   // index forms of the band|dddd| shape
  ByteKeySet index_;                        // index forms of the other indexable keys
  std::vector<std::size_t> unindexed_;      // positions in keys_ of the others
  mutable std::string scratch_;
};

}  // namespace varnholt
