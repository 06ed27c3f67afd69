// The Windows build has no JPEG library yet. Its frame sources and sinks refuse JPEG
// files before anything is read or written; these say the same should anything else
// reach them.
#include "JpegFile.h"

#include <stdexcept>

namespace vantrel {
namespace {

std::runtime_error unavailable(const std::string& path) {
  return std::runtime_error(path + ": JPEG pictures are not available in the Windows build yet; use PNG");
}

}  // namespace

RgbaImage readJpeg(const std::string& path, bool) { throw unavailable(path); }

void writeJpeg(ReplacingFile& file, const RgbaImage&) { throw unavailable(file.path()); }

void writeJpeg(const std::string& path, const RgbaImage&) { throw unavailable(path); }

}  // namespace vantrel
