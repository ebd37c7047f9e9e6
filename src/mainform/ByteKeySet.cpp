#include "mainform/ByteKeySet.h"

#include <functional>
#include <stdexcept>

namespace varnholt {

namespace {

std::uint32_t HashOf(std::string_view key) {
  const std::uint64_t h = std::hash<std::string_view>{}(key);
  return static_cast<std::uint32_t>(h ^ (h >> 32));
}

}  // namespace

std::size_t ByteKeySet::Find(std::string_view key, std::uint32_t hash) const {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.at == 0) return i;
    if (slot.hash == hash && KeyAt(slot.at - 1) == key) return i;
  }
}

bool ByteKeySet::Contains(std::string_view key) const {
  if (slots_.empty()) return false;
  return slots_[Find(key, HashOf(key))].at != 0;
}

bool ByteKeySet::Insert(std::string_view key) {
  if ((size_ + 1) * 2 > slots_.size()) Grow();
  const std::uint32_t hash = HashOf(key);
  Slot& slot = slots_[Find(key, hash)];
  if (slot.at != 0) return false;
  const std::size_t at = arena_.size();
  if (at + kLengthBytes + key.size() >= UINT32_MAX) throw std::length_error("key set is full");
  const auto length = static_cast<std::uint32_t>(key.size());
  arena_.append(reinterpret_cast<const char*>(&length), kLengthBytes);
  arena_.append(key);
  slot = Slot{hash, static_cast<std::uint32_t>(at + 1)};
  ++size_;
  return true;
}

void ByteKeySet::Grow() {
  std::vector<Slot> old;
  old.swap(slots_);
  slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{0, 0});
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.at == 0) continue;
    std::size_t i = s.hash & mask;
    while (slots_[i].at != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

void ByteKeySet::Clear() {
  arena_.clear();
  slots_.clear();
  size_ = 0;
}

}  // namespace varnholt
