// What the fuzz targets share: the substitute host on the built module, and a reader of the
// fuzzer's bytes as numbers, one after the other, little-endian. Past the end every read
// gives 0, so that any input, even an empty one, describes a whole case.
#pragma once

#include <cstring>
#include <memory>

#include "TestHost.h"

namespace vantrel_fuzz {

struct FuzzInput {
  const std::uint8_t* data;
  std::size_t size, at = 0;
  std::uint8_t byte() { return at < size ? data[at++] : 0; }
  template <typename T>
  T next() {
    std::uint8_t bytes[sizeof(T)];
    for (std::uint8_t& b : bytes) b = byte();
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }
  double between(double low, double high) { return low + (high - low) * (next<std::uint16_t>() / 65535.0); }
};

[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz target: %s\n", what.c_str());
  std::abort();
}

inline std::unique_ptr<vantrel_test::DeclaredHost> session;  // its parameters declared

}  // namespace vantrel_fuzz
