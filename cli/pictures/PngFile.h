// PNG pictures in and out, through libpng.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "ReplacingFile.h"
#include "RgbaImage.h"

namespace vantrel {

// Reads an 8- or 16-bit grey, grey+alpha, RGB, RGBA or palette PNG as 8-bit RGBA: grey
// and palette entries expand to RGB, a transparency chunk becomes alpha, a picture without
// alpha is opaque, 16-bit samples are scaled to 8 bits. The stored sample values are kept
// as they are (no gamma conversion). Throws std::runtime_error with a one-line reason.
RgbaImage readPng(const std::string& path);
// Whether the PNG has an alpha channel or a transparency chunk, from its chunks before the
// picture data; false for anything unreadable.
bool pngHasAlpha(const std::string& path);
// The picture's width and height, from its header; nothing for a file it cannot read.
std::optional<std::pair<std::uint32_t, std::uint32_t>> pngSize(const std::string& path);

// Writes an 8-bit RGBA PNG into `file` and commits it, so that the destination is
// replaced only once the whole file is written. Throws std::runtime_error with a
// one-line reason; the file's temporary is removed then.
void writePng(ReplacingFile& file, const RgbaImage& image);
void writePng(const std::string& path, const RgbaImage& image);

}  // namespace vantrel
