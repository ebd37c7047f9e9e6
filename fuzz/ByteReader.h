// Reads a fuzz input from the front, one field after the other, so that the
// seed corpora can be written field by field and a mutation of one byte
// changes one field. Past the end every read yields zeros or nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnholt::fuzz {

class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t Remaining() const { return size_ - at_; }

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

  // A little-endian integer of sizeof(T) bytes.
  template <typename T>
  T Integer() {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<std::uint64_t>(Byte()) << (8 * i);
    return static_cast<T>(value);
  }

  // 0 .. bound-1 from one byte; bound must be 1 .. 256.
  std::size_t Below(std::size_t bound) { return Byte() % bound; }

  // The next n bytes, or as many as are left.
  std::vector<std::uint8_t> Bytes(std::size_t n) {
    if (n > Remaining()) n = Remaining();
    std::vector<std::uint8_t> out(data_ + at_, data_ + at_ + n);
    at_ += n;
    return out;
  }

  std::string Text(std::size_t n) {
    const std::vector<std::uint8_t> bytes = Bytes(n);
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace varnholt::fuzz
