// A set of byte strings kept compactly: the texts side by side in one arena,
// in the order they were added, found through an open-addressing table of
// their hashes. Scoring a big log probes it once or twice per contact, so it
// is built to touch as little memory as it can.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

class ByteKeySet {
 public:
  bool Contains(std::string_view key) const;
  // Adds `key`; false when it was already there.
  bool Insert(std::string_view key);
  void Clear();
  std::size_t Size() const { return size_; }

 private:
  // Each key sits in the arena behind its length.
  static constexpr std::size_t kLengthBytes = sizeof(std::uint32_t);

  struct Slot {
    std::uint32_t hash;
    std::uint32_t at;  // arena offset of the key plus one; 0 marks an empty slot
  };

  std::string_view KeyAt(std::size_t at) const {
    std::uint32_t length;
    std::memcpy(&length, arena_.data() + at, kLengthBytes);
    return std::string_view(arena_.data() + at + kLengthBytes, length);
  }
  // The slot holding `key`, or the empty slot where it would go.
  std::size_t Find(std::string_view key, std::uint32_t hash) const;
  void Grow();

  std::string arena_;
  std::vector<Slot> slots_;  // a power of two in size, at most half full
  std::size_t size_ = 0;
};

}  // namespace varnholt
