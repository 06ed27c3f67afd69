// Reads a fuzzer's bytes as small numbers, one after the other; past the end every read
// gives 0, so that any input, even an empty one, describes a whole case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vantrel_fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t u16() { return std::uint16_t(byte() | (byte() << 8)); }
  std::uint32_t u32() { return std::uint32_t(u16()) | (std::uint32_t(u16()) << 16); }
  std::int32_t i32() {
    const std::uint32_t bits = u32();
    std::int32_t value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  // Any double, NaN and the infinities included.
  double anyDouble() {
    const std::uint64_t bits = std::uint64_t(u32()) | (std::uint64_t(u32()) << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  // A value from `low` to `high` in 65536 steps.
  double between(double low, double high) { return low + (high - low) * (u16() / 65535.0); }

  // What is left, for the picture.
  const std::uint8_t* rest() const { return data_ + at_; }
  std::size_t restSize() const { return size_ - at_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace vantrel_fuzz
