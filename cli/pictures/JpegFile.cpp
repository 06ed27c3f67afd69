#include "JpegFile.h"

// jpeglib.h uses FILE and size_t without including their headers.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "FileSystemCalls.h"
#include "Notes.h"

// libjpeg reports errors by calling error_exit, which must not return; ours longjmps back
// to the setjmp of the current step. As in PngFile.cpp, each step is a function of its
// own that holds only plain locals, none changed after setjmp, and everything that owns
// memory lives in the callers, released by their destructors however a step ends.

namespace vantrel {
namespace {

constexpr JDIMENSION kMaxSide = 32768;
constexpr int kQuality = 92;

struct JpegError {
  jpeg_error_mgr manager;  // first: the library's pointer to it is a pointer to this
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  int systemError;  // errno of a failed write
};

JpegError* errorOf(j_common_ptr info) { return reinterpret_cast<JpegError*>(info->err); }

[[noreturn]] void onError(j_common_ptr info) {
  JpegError* error = errorOf(info);
  if (info->err->msg_code == JERR_FILE_WRITE) error->systemError = errno;
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

// Warnings are not printed. A file cut short is an error: libjpeg would otherwise fill
// the rest of the picture with grey and carry on.
void onMessage(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) onError(info);
}

void initError(JpegError* error) {
  jpeg_std_error(&error->manager);
  error->manager.error_exit = onError;
  error->manager.emit_message = onMessage;
  error->message[0] = '\0';
  error->systemError = 0;
}

struct Decompressor {
  jpeg_decompress_struct info{};
  ~Decompressor() { jpeg_destroy_decompress(&info); }  // safe on a zeroed or half-made struct
};

struct Compressor {
  jpeg_compress_struct info{};
  ~Compressor() { jpeg_destroy_compress(&info); }
};

// The orientation tag (0x0112) of an APP1 Exif segment: 1 (upright) to 8, or 1 where the
// segment is missing, malformed or says something else.
int exifOrientation(const jpeg_decompress_struct& info) {
  for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
    const unsigned char* data = marker->data;
    const std::size_t size = marker->data_length;
    if (marker->marker != JPEG_APP0 + 1 || size < 14 || std::memcmp(data, "Exif\0\0", 6) != 0) continue;
    const unsigned char* tiff = data + 6;
    const std::size_t length = size - 6;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
    const auto read16 = [&](std::size_t at) {
      return little ? unsigned(tiff[at] | tiff[at + 1] << 8) : unsigned(tiff[at] << 8 | tiff[at + 1]);
    };
    const auto read32 = [&](std::size_t at) {
      return little ? std::uint32_t(read16(at) | std::uint32_t(read16(at + 2)) << 16)
                    : std::uint32_t(std::uint32_t(read16(at)) << 16 | read16(at + 2));
    };
    if (read16(2) != 42) return 1;
    const std::size_t directory = read32(4);
    if (directory + 2 > length) return 1;
    const std::size_t entries = read16(directory);
    for (std::size_t i = 0; i < entries && directory + 2 + 12 * (i + 1) <= length; ++i) {
      const std::size_t entry = directory + 2 + 12 * i;
      if (read16(entry) != 0x0112) continue;
      // A SHORT, stored in the first two bytes of the value field.
      const unsigned value = read16(entry + 2) == 3 ? read16(entry + 8) : 1;
      return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
  }
  return 1;
}

struct JpegHeader {
  JDIMENSION width;
  JDIMENSION height;
  bool cmyk;
  int orientation;  // EXIF's, 1 to 8
};

bool createDecompressor(jpeg_decompress_struct* info, JpegError* error, const unsigned char* data,
                        unsigned long size) {
  if (setjmp(error->jump)) return false;
  jpeg_create_decompress(info);
  jpeg_mem_src(info, data, size);
  return true;
}

bool readHeader(jpeg_decompress_struct* info, JpegError* error, JpegHeader* header) {
  if (setjmp(error->jump)) return false;
  jpeg_save_markers(info, JPEG_APP0 + 1, 0xFFFF);  // Exif, for the orientation
  jpeg_read_header(info, TRUE);
  header->width = info->image_width;
  header->height = info->image_height;
  header->cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  header->orientation = exifOrientation(*info);  // the saved markers go when decompression ends
  return true;
}

// Asks for RGBA rows (libjpeg-turbo sets the fourth byte to 0xFF) and reads them.
bool readRows(jpeg_decompress_struct* info, JpegError* error, JSAMPARRAY rows) {
  if (setjmp(error->jump)) return false;
  info->out_color_space = JCS_EXT_RGBA;
  jpeg_start_decompress(info);
  while (info->output_scanline < info->output_height) {
    jpeg_read_scanlines(info, rows + info->output_scanline, info->output_height - info->output_scanline);
  }
  jpeg_finish_decompress(info);
  return true;
}

bool writeRows(jpeg_compress_struct* info, JpegError* error, std::FILE* file, JDIMENSION width,
               JDIMENSION height, JSAMPARRAY rows) {
  if (setjmp(error->jump)) return false;
  jpeg_create_compress(info);
  jpeg_stdio_dest(info, file);
  info->image_width = width;
  info->image_height = height;
  info->input_components = 4;
  info->in_color_space = JCS_EXT_RGBA;  // the fourth byte is skipped
  jpeg_set_defaults(info);
  jpeg_set_quality(info, kQuality, TRUE);
  jpeg_start_compress(info, TRUE);
  while (info->next_scanline < info->image_height) {
    jpeg_write_scanlines(info, rows + info->next_scanline, info->image_height - info->next_scanline);
  }
  jpeg_finish_compress(info);
  return true;
}

// The stored picture as EXIF orientation `orientation` says it is shown: each shown pixel
// (x, y) comes from stored pixel `from(x, y)`.
RgbaImage upright(const RgbaImage& stored, int orientation) {
  if (orientation == 1) return stored;
  const std::uint32_t w = stored.width, h = stored.height;
  const bool turned = orientation >= 5;  // a quarter turn swaps the sides
  RgbaImage shown(turned ? h : w, turned ? w : h);
  const auto from = [&](std::uint32_t x, std::uint32_t y) -> std::pair<std::uint32_t, std::uint32_t> {
    switch (orientation) {
      case 2: return {w - 1 - x, y};
      case 3: return {w - 1 - x, h - 1 - y};
      case 4: return {x, h - 1 - y};
      case 5: return {y, x};
      case 6: return {y, h - 1 - x};
      case 7: return {w - 1 - y, h - 1 - x};
      default: return {w - 1 - y, x};  // 8
    }
  };
  for (std::uint32_t y = 0; y < shown.height; ++y) {
    for (std::uint32_t x = 0; x < shown.width; ++x) {
      const auto [sx, sy] = from(x, y);
      std::memcpy(shown.pixel(x, y), stored.pixel(sx, sy), 4);
    }
  }
  return shown;
}

std::vector<JSAMPROW> rowPointers(const RgbaImage& image) {
  std::vector<JSAMPROW> rows(image.height);
  for (std::uint32_t y = 0; y < image.height; ++y) {
    // libjpeg's row type is not const; compressing only reads the rows.
    rows[y] = const_cast<JSAMPROW>(image.pixel(0, y));
  }
  return rows;
}

std::vector<unsigned char> fileBytes(const std::string& path) {
  const auto failure = [&]() { return std::runtime_error("cannot read " + path + ": " + std::strerror(errno)); };
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), std::fclose);
  if (!file) throw failure();
  std::vector<unsigned char> bytes;
  unsigned char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  if (std::ferror(file.get())) throw failure();
  return bytes;
}

}  // namespace

std::optional<std::pair<std::uint32_t, std::uint32_t>> jpegSize(const std::string& path, bool autoOrient) {
  std::vector<unsigned char> bytes;
  try {
    bytes = fileBytes(path);
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
  JpegError error;
  initError(&error);
  Decompressor decompressor;
  decompressor.info.err = &error.manager;
  JpegHeader header{};
  if (bytes.empty() || !createDecompressor(&decompressor.info, &error, bytes.data(), bytes.size()) ||
      !readHeader(&decompressor.info, &error, &header)) {
    return std::nullopt;
  }
  if (autoOrient && header.orientation >= 5) std::swap(header.width, header.height);  // a quarter turn
  return std::pair<std::uint32_t, std::uint32_t>{header.width, header.height};
}

RgbaImage readJpeg(const std::string& path, bool autoOrient) {
  const std::vector<unsigned char> bytes = fileBytes(path);
  const auto failure = [&](const std::string& reason) { return std::runtime_error("cannot read " + path + ": " + reason); };
  if (bytes.empty()) throw failure("the file is empty");

  JpegError error;
  initError(&error);
  Decompressor decompressor;
  decompressor.info.err = &error.manager;
  if (!createDecompressor(&decompressor.info, &error, bytes.data(), bytes.size())) throw failure(error.message);

  JpegHeader header{};
  if (!readHeader(&decompressor.info, &error, &header)) throw failure(error.message);
  if (header.cmyk) throw failure("CMYK JPEG files are not supported; convert it to RGB first");
  if (header.width > kMaxSide || header.height > kMaxSide) {
    throw failure("a " + std::to_string(header.width) + "x" + std::to_string(header.height) +
                  " picture is larger than the " + std::to_string(kMaxSide) + " pixels a side supported");
  }
  RgbaImage image(header.width, header.height);
  std::vector<JSAMPROW> rows = rowPointers(image);
  if (!readRows(&decompressor.info, &error, rows.data())) throw failure(error.message);
  return autoOrient ? upright(image, header.orientation) : image;
}

void writeJpeg(ReplacingFile& file, const RgbaImage& image) {
  if (!isOpaque(image)) {
    noteOnce(Note::AlphaFlattened, "JPEG holds no alpha: transparent parts of the pictures are composited onto black");
    RgbaImage flat = image;
    compositeOntoBlack(flat);
    writeJpeg(file, flat);
    return;
  }
  if (image.width == 0 || image.height == 0 || image.width > JPEG_MAX_DIMENSION || image.height > JPEG_MAX_DIMENSION) {
    throw file.failure("a JPEG of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                       " pixels is not supported");
  }
  JpegError error;
  initError(&error);
  Compressor compressor;
  compressor.info.err = &error.manager;
  std::vector<JSAMPROW> rows = rowPointers(image);
  if (!writeRows(&compressor.info, &error, file.stream(), image.width, image.height, rows.data())) {
    throw file.failure(error.systemError ? std::strerror(error.systemError) : error.message);
  }
  file.commit();
}

void writeJpeg(const std::string& path, const RgbaImage& image) {
  ReplacingFile file(path);
  writeJpeg(file, image);
}

}  // namespace vantrel
