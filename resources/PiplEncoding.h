// Turns a list of PiPL properties into the resource's bytes at compile time.
//
// Layout: a 10-byte header (16-bit version 1, 32-bit reserved 0, 32-bit property count),
// then each property as vendor code, key code, 32-bit id 0, 32-bit length and its data,
// zero-padded to a multiple of four. Numbers are little-endian; a four-character code is
// stored as the little-endian integer whose big-endian reading is the code. The length
// counts the padding, except for 16-bit data, whose length is its two bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace Quillon::Vantrel::Pipl {

enum class DataKind {
  Code,          // a four-character code, in `text`
  PascalString,  // a length byte and the characters of `text`
  CString,       // the characters of `text` and a terminating zero
  ShortPair,     // 16-bit `first`, then 16-bit `second`
  Long,          // 32-bit `first`
  Short,         // 16-bit `first`
};

struct Property {
  const char* key;  // four characters
  DataKind kind;
  const char* text;
  std::uint32_t first;
  std::uint32_t second;
};

constexpr const char* kVendorCode = "8BIM";
constexpr std::size_t kHeaderSize = 10;
constexpr std::size_t kPropertyHeaderSize = 16;

constexpr std::size_t textLength(const char* text) {
  std::size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

constexpr std::size_t dataSize(const Property& p) {
  switch (p.kind) {
    case DataKind::Code: return 4;
    case DataKind::PascalString: return 1 + textLength(p.text);
    case DataKind::CString: return textLength(p.text) + 1;
    case DataKind::ShortPair: return 4;
    case DataKind::Long: return 4;
    case DataKind::Short: return 2;
  }
  return 0;
}

constexpr std::size_t paddedSize(const Property& p) { return (dataSize(p) + 3) / 4 * 4; }

constexpr std::uint32_t lengthField(const Property& p) {
  return std::uint32_t(p.kind == DataKind::Short ? dataSize(p) : paddedSize(p));
}

template <std::size_t K>
constexpr std::size_t encodedSize(const Property (&properties)[K]) {
  std::size_t size = kHeaderSize;
  for (const Property& p : properties) size += kPropertyHeaderSize + paddedSize(p);
  return size;
}

template <std::size_t N>
class ByteWriter {
 public:
  constexpr void u8(std::uint32_t v) { bytes_[at_++] = std::uint8_t(v & 0xFF); }
  constexpr void u16(std::uint32_t v) { u8(v); u8(v >> 8); }
  constexpr void u32(std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); }
  constexpr void code(const char* c) {
    for (int i = 3; i >= 0; --i) u8(std::uint8_t(c[i]));
  }
  constexpr void text(const char* t) {
    for (std::size_t i = 0; t[i] != '\0'; ++i) u8(std::uint8_t(t[i]));
  }
  constexpr void zeros(std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) u8(0);
  }
  constexpr const std::array<std::uint8_t, N>& bytes() const { return bytes_; }

 private:
  std::array<std::uint8_t, N> bytes_{};
  std::size_t at_ = 0;
};

template <std::size_t N, std::size_t K>
constexpr std::array<std::uint8_t, N> encode(const Property (&properties)[K]) {
  static_assert(N > 0);
  ByteWriter<N> out;
  out.u16(1);
  out.u32(0);
  out.u32(std::uint32_t(K));
  for (const Property& p : properties) {
    out.code(kVendorCode);
    out.code(p.key);
    out.u32(0);
    out.u32(lengthField(p));
    switch (p.kind) {
      case DataKind::Code: out.code(p.text); break;
      case DataKind::PascalString: out.u8(std::uint32_t(textLength(p.text))); out.text(p.text); break;
      case DataKind::CString: out.text(p.text); out.u8(0); break;
      case DataKind::ShortPair: out.u16(p.first); out.u16(p.second); break;
      case DataKind::Long: out.u32(p.first); break;
      case DataKind::Short: out.u16(p.first); break;
    }
    out.zeros(paddedSize(p) - dataSize(p));
  }
  return out.bytes();
}

}  // namespace Quillon::Vantrel::Pipl
