#include "MediaFiles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "JpegFile.h"
#include "PngFile.h"

namespace vantrel {

std::string extensionOf(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return extension;
}

FileKind fileKindOf(const std::string& path) {
  const std::string extension = extensionOf(path);
  if (extension == ".png") return FileKind::Png;
  if (extension == ".jpg" || extension == ".jpeg") return FileKind::Jpeg;
  for (const char* video : {".mp4", ".mov", ".mkv", ".avi", ".webm", ".gif"}) {
    if (extension == video) return FileKind::Video;
  }
  const std::string what = extension.empty() ? "has no file type extension" : "is of an unknown type (" + extension + ")";
  throw std::runtime_error(path + " " + what +
                           "; known: .png, .jpg, .jpeg, .mp4, .mov, .mkv, .avi, .webm, .gif, or - for raw frames");
}

RgbaImage readStill(const std::string& path, FileKind kind) {
  return kind == FileKind::Jpeg ? readJpeg(path) : readPng(path);
}

void writeStill(ReplacingFile& file, const RgbaImage& image, FileKind kind) {
  if (kind == FileKind::Jpeg) {
    writeJpeg(file, image);
  } else {
    writePng(file, image);
  }
}

std::runtime_error existsError(const std::string& path) {
  return std::runtime_error(path + " exists; not replacing it (-n)");
}

bool pathExists(const std::string& path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

}  // namespace vantrel
