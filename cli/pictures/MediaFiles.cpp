#include "MediaFiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "FileSystemCalls.h"
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
  for (const char* video : {".mp4", ".m4v", ".mov", ".mkv", ".avi", ".webm", ".gif"}) {
    if (extension == video) return FileKind::Video;
  }
  const std::string what = extension.empty() ? "has no file type extension" : "is of an unknown type (" + extension + ")";
  throw std::runtime_error(path + " " + what +
                           "; known: .png, .jpg, .jpeg, .mp4, .m4v, .mov, .mkv, .avi, .webm, .gif, or - for raw frames");
}

FileKind fileKindByContent(const std::string& path) {
  unsigned char start[8] = {};
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), std::fclose);
  const std::size_t got = file ? std::fread(start, 1, sizeof start, file.get()) : 0;
  if (!file || std::ferror(file.get())) {
    throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno ? errno : EIO));
  }
  static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (got == 8 && std::memcmp(start, png, 8) == 0) return FileKind::Png;
  if (got >= 3 && start[0] == 0xFF && start[1] == 0xD8 && start[2] == 0xFF) return FileKind::Jpeg;
  return FileKind::Video;
}

RgbaImage readStill(const std::string& path, FileKind kind, bool autoOrient) {
  FileKind content = kind;
  try {
    content = fileKindByContent(path);
  } catch (const std::runtime_error&) {
    // Reading it as named reports why.
  }
  if (content == FileKind::Video) content = kind;
  return content == FileKind::Jpeg ? readJpeg(path, autoOrient) : readPng(path);
}

bool stillHasAlpha(const std::string& path) {
  try {
    return fileKindByContent(path) == FileKind::Png && pngHasAlpha(path);
  } catch (const std::runtime_error&) {
    return false;
  }
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> stillSize(const std::string& path, bool autoOrient) {
  try {
    const FileKind kind = fileKindByContent(path);
    if (kind == FileKind::Video) return std::nullopt;
    return kind == FileKind::Png ? pngSize(path) : jpegSize(path, autoOrient);
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
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
  std::error_code error;  // a name that cannot be examined is taken for none
  return std::filesystem::exists(std::filesystem::symlink_status(std::filesystem::u8path(path), error));
}

}  // namespace vantrel
