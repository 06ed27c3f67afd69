#include "MatroskaFrames.h"

#include <initializer_list>
#include <string>

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An element ID as Matroska writes it: its own length marker included.
void putId(Bytes& out, std::uint32_t id) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    if ((id >> shift) != 0 || shift == 0) out.push_back(std::uint8_t(id >> shift));
  }
}

// A size as an 8-byte variable-length integer; all ones means "unknown" (to the end).
void putSize(Bytes& out, std::uint64_t size) {
  out.push_back(0x01);
  for (int shift = 48; shift >= 0; shift -= 8) out.push_back(std::uint8_t(size >> shift));
}

void putUnknownSize(Bytes& out) {
  out.push_back(0x01);
  for (int i = 0; i < 7; ++i) out.push_back(0xFF);
}

Bytes element(std::uint32_t id, const Bytes& body) {
  Bytes out;
  putId(out, id);
  putSize(out, body.size());
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes uinteger(std::uint32_t id, std::uint64_t value) {
  Bytes body;
  for (int shift = 56; shift >= 0; shift -= 8) body.push_back(std::uint8_t(value >> shift));
  return element(id, body);
}

Bytes text(std::uint32_t id, const std::string& value) { return element(id, Bytes(value.begin(), value.end())); }

Bytes joined(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

}  // namespace

Bytes matroskaHeader(std::uint32_t width, std::uint32_t height) {
  const Bytes ebml = element(0x1A45DFA3, joined({uinteger(0x4286, 1), uinteger(0x42F7, 1), uinteger(0x42F2, 4),
                                                 uinteger(0x42F3, 8), text(0x4282, "matroska"),
                                                 uinteger(0x4287, 4), uinteger(0x4285, 2)}));
  const Bytes info = element(0x1549A966, joined({uinteger(0x2AD7B1, 1000),  // timestamps in microseconds
                                                 text(0x4D80, "vantrel"), text(0x5741, "vantrel")}));
  const Bytes video = element(0xE0, joined({uinteger(0xB0, width), uinteger(0xBA, height), text(0x2EB524, "RGBA")}));
  const Bytes track = element(0xAE, joined({uinteger(0xD7, 1), uinteger(0x73C5, 1), uinteger(0x83, 1),
                                            uinteger(0x9C, 0), text(0x86, "V_UNCOMPRESSED"), video}));
  Bytes out = ebml;
  putId(out, 0x18538067);  // the segment, open to the end of the stream
  putUnknownSize(out);
  const Bytes rest = joined({info, element(0x1654AE6B, track)});
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

Bytes matroskaFramePrefix(std::uint64_t microseconds, std::size_t frameBytes) {
  const Bytes timestamp = uinteger(0xE7, microseconds);
  // A simple block: track 1, at the cluster's own time, a key frame.
  const Bytes blockStart = {0x81, 0x00, 0x00, 0x80};
  Bytes out;
  putId(out, 0x1F43B675);
  putSize(out, timestamp.size() + 1 + 8 + blockStart.size() + frameBytes);
  out.insert(out.end(), timestamp.begin(), timestamp.end());
  putId(out, 0xA3);
  putSize(out, blockStart.size() + frameBytes);
  out.insert(out.end(), blockStart.begin(), blockStart.end());
  return out;
}

}  // namespace vantrel
