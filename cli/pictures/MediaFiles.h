// The kinds of file vantrel reads and writes, told by the name's extension for outputs and
// patterns and by the content for an input file, and still pictures read and written
// whatever their kind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "ReplacingFile.h"
#include "RgbaImage.h"

namespace vantrel {

enum class FileKind { Png, Jpeg, Video };

// .png; .jpg or .jpeg; .mp4, .m4v, .mov, .mkv, .avi, .webm or .gif, in any case. Throws
// std::runtime_error naming the known extensions for any other name.
FileKind fileKindOf(const std::string& path);
// A PNG or JPEG by its signature, whatever its name; anything else is left to ffmpeg as
// Video. Throws std::runtime_error "cannot read PATH: ..." when the file cannot be read.
FileKind fileKindByContent(const std::string& path);
// The extension, lower-cased, with its dot (".mp4"), or empty.
std::string extensionOf(const std::string& path);

// A PNG or JPEG as 8-bit RGBA, told by its signature (`kind` where it has neither, for the
// reason it is refused); a JPEG turned upright as its EXIF orientation says when
// `autoOrient`. Throws std::runtime_error with a one-line reason.
RgbaImage readStill(const std::string& path, FileKind kind, bool autoOrient = true);
// Whether the picture may be transparent (a PNG with an alpha channel or a tRNS chunk);
// false for an unreadable file, which reading it reports.
bool stillHasAlpha(const std::string& path);
// A PNG's or JPEG's width and height as readStill gives it, from its headers alone;
// nothing for a file that is neither or cannot be read, which reading it reports.
std::optional<std::pair<std::uint32_t, std::uint32_t>> stillSize(const std::string& path, bool autoOrient = true);
// Writes a PNG or JPEG into `file` and commits it.
void writeStill(ReplacingFile& file, const RgbaImage& image, FileKind kind);

// "<path> exists; not replacing it (-n)".
std::runtime_error existsError(const std::string& path);
// Whether anything (a file, a folder, a dangling link) has the name `path`.
bool pathExists(const std::string& path);

}  // namespace vantrel
