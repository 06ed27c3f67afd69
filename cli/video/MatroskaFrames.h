// Raw RGBA frames in a Matroska stream, each with a timestamp of its own: a pipe of
// plain raw frames carries none, so this is how the frames of a variable-rate video
// reach the encoding ffmpeg at their own times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel {

// The stream's start: one uncompressed RGBA video track of this size, in microseconds.
std::vector<std::uint8_t> matroskaHeader(std::uint32_t width, std::uint32_t height);

// What goes before a frame of `frameBytes` bytes shown at `microseconds` (a cluster of
// its own holding one block).
std::vector<std::uint8_t> matroskaFramePrefix(std::uint64_t microseconds, std::size_t frameBytes);

}  // namespace vantrel
