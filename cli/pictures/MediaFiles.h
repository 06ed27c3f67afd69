// The kinds of file vantrel reads and writes, told by the name's extension, and still
// pictures read and written whatever their kind.
#pragma once

#include <string>

#include "ReplacingFile.h"
#include "RgbaImage.h"

namespace vantrel {

enum class FileKind { Png, Jpeg, Video };

// .png; .jpg or .jpeg; .mp4, .mov, .mkv, .avi, .webm or .gif, in any case. Throws
// std::runtime_error naming the known extensions for any other name.
FileKind fileKindOf(const std::string& path);
// The extension, lower-cased, with its dot (".mp4"), or empty.
std::string extensionOf(const std::string& path);

// A PNG or JPEG as 8-bit RGBA. Throws std::runtime_error with a one-line reason.
RgbaImage readStill(const std::string& path, FileKind kind);
// Writes a PNG or JPEG into `file` and commits it.
void writeStill(ReplacingFile& file, const RgbaImage& image, FileKind kind);

// "<path> exists; not replacing it (-n)".
std::runtime_error existsError(const std::string& path);
// Whether anything (a file, a folder, a dangling link) has the name `path`.
bool pathExists(const std::string& path);

}  // namespace vantrel
