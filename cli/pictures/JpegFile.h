// JPEG pictures in and out, through libjpeg-turbo.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "ReplacingFile.h"
#include "RgbaImage.h"

namespace vantrel {

// Reads a greyscale or colour JPEG as opaque 8-bit RGBA, turned upright as its EXIF
// orientation says when `autoOrient` (mirrored and quarter-turned as cameras store them).
// CMYK files are refused. A file that ends before its picture does is an error, not a
// picture with a grey bottom. Throws std::runtime_error with a one-line reason.
RgbaImage readJpeg(const std::string& path, bool autoOrient = true);
// The size readJpeg would give, from the headers alone; nothing for a file it cannot read.
std::optional<std::pair<std::uint32_t, std::uint32_t>> jpegSize(const std::string& path, bool autoOrient = true);

// Writes the picture as a JPEG of quality 92 into `file` and commits it (JPEG has no
// alpha: a transparent picture is composited onto black, with a note). Throws std::runtime_error with a one-line reason; the
// file's temporary is removed then.
void writeJpeg(ReplacingFile& file, const RgbaImage& image);
void writeJpeg(const std::string& path, const RgbaImage& image);

}  // namespace vantrel
