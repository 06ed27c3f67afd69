#include "Pipl.h"

#include <algorithm>

#include "HostError.h"

namespace minihost {
namespace {

class Reader {
 public:
  explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

  std::uint32_t u16() {
    need(2);
    const std::uint32_t v = std::uint32_t(bytes_[at_]) | std::uint32_t(bytes_[at_ + 1]) << 8;
    at_ += 2;
    return v;
  }
  std::uint32_t u32() {
    need(4);
    const std::uint32_t v = std::uint32_t(bytes_[at_]) | std::uint32_t(bytes_[at_ + 1]) << 8 |
                            std::uint32_t(bytes_[at_ + 2]) << 16 | std::uint32_t(bytes_[at_ + 3]) << 24;
    at_ += 4;
    return v;
  }
  // A four-character code: the big-endian reading of a little-endian 32-bit number.
  std::string code() {
    const std::uint32_t v = u32();
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  }
  std::vector<std::uint8_t> take(std::size_t n) {
    need(n);
    std::vector<std::uint8_t> out(bytes_.begin() + std::ptrdiff_t(at_),
                                  bytes_.begin() + std::ptrdiff_t(at_ + n));
    at_ += n;
    return out;
  }
  void need(std::size_t n) const {
    if (bytes_.size() - at_ < n) throw HostError("PiPL is truncated");
  }
  void skip(std::size_t n) {
    need(n);
    at_ += n;
  }
  std::size_t remaining() const { return bytes_.size() - at_; }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
};

std::string pascalString(const std::vector<std::uint8_t>& data, const std::string& key) {
  if (data.empty() || data[0] + 1u > data.size()) {
    throw HostError("PiPL property '" + key + "' is not a Pascal string");
  }
  return std::string(data.begin() + 1, data.begin() + 1 + data[0]);
}

std::string cString(const std::vector<std::uint8_t>& data, const std::string& key) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (data[i] == 0) return std::string(data.begin(), data.begin() + std::ptrdiff_t(i));
  }
  throw HostError("PiPL property '" + key + "' is not a terminated string");
}

std::uint32_t u32Of(const std::vector<std::uint8_t>& data, const std::string& key) {
  if (data.size() < 4) throw HostError("PiPL property '" + key + "' is shorter than 4 bytes");
  return Reader(data).u32();
}

}  // namespace

PiplInfo parsePipl(const std::vector<std::uint8_t>& bytes) {
  Reader in(bytes);
  if (in.u16() != 1) throw HostError("PiPL has an unknown resource version");
  in.u32();  // reserved
  const std::uint32_t count = in.u32();

  PiplInfo info;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (in.code() != "8BIM") throw HostError("PiPL property " + std::to_string(i + 1) + " has an unknown vendor");
    const std::string key = in.code();
    in.u32();  // id
    const std::uint32_t length = in.u32();
    const std::vector<std::uint8_t> data = in.take(length);
    in.skip(std::min<std::size_t>((4 - length % 4) % 4, in.remaining()));  // padding

    if (key == "kind") info.kind = Reader(data).code();
    else if (key == "name") info.name = pascalString(data, key);
    else if (key == "catg") info.category = pascalString(data, key);
    else if (key == "eMNA") info.matchName = pascalString(data, key);
    else if (key == "8664") info.entryPoint = cString(data, key);
    else if (key == "eVER") info.version = u32Of(data, key);
    else if (key == "eGLO") info.outFlags = u32Of(data, key);
    else if (key == "eGL2") info.outFlags2 = u32Of(data, key);
  }
  if (info.kind != "eFKT") throw HostError("PiPL does not describe an effect (kind '" + info.kind + "')");
  if (info.entryPoint.empty()) throw HostError("PiPL names no 64-bit entry point");
  if (info.name.empty() || info.matchName.empty()) throw HostError("PiPL lacks a name or match name");
  return info;
}

Version unpackVersion(std::uint32_t packed) {
  return {packed >> 19, (packed >> 15) & 0xF, (packed >> 11) & 0xF, (packed >> 9) & 0x3, packed & 0x1FF};
}

std::string formatVersion(std::uint32_t packed) {
  static const char* const stages[] = {"develop", "alpha", "beta", "release"};
  const Version v = unpackVersion(packed);
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.bug) +
         " (" + stages[v.stage] + ", build " + std::to_string(v.build) + ")";
}

}  // namespace minihost
