#include "PngFile.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "FileSystemCalls.h"
#include "Notes.h"

// libpng reports errors by calling an error function that must not return; it longjmps
// back to the setjmp of the current step. Each step below runs in its own function that
// holds only plain locals, none of them changed after setjmp, so the jump skips no
// destructor and reads no indeterminate value. Everything that owns memory (the libpng
// structures, the pixel buffers, the files) lives in the callers and is released by
// their destructors whichever way a step ends.

namespace vantrel {
namespace {

// The largest side accepted, so that a corrupt header cannot ask for an absurd buffer.
constexpr png_uint_32 kMaxSide = 32768;

struct PngError {
  char message[256];
};

[[noreturn]] void onError(png_structp png, png_const_charp message) {
  PngError* error = static_cast<PngError*>(png_get_error_ptr(png));
  std::snprintf(error->message, sizeof error->message, "%s", message);
  png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}  // recoverable; the picture is still read

// The file's bytes, read whole before decoding.
struct PngSource {
  const png_byte* data;
  std::size_t size;
  std::size_t at;
};

void readFromSource(png_structp png, png_bytep out, png_size_t length) {
  PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
  if (length > source->size - source->at) png_error(png, "the file ends before the picture does");
  std::memcpy(out, source->data + source->at, length);
  source->at += length;
}

struct PngSink {
  std::FILE* file;
  int error;  // errno of a failed write
};

void writeToSink(png_structp png, png_bytep data, png_size_t length) {
  PngSink* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  if (std::fwrite(data, 1, length, sink->file) != length) {
    sink->error = errno;
    png_error(png, "write failed");
  }
}

void flushSink(png_structp) {}  // ReplacingFile::commit flushes

struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadStructs() { png_destroy_read_struct(&png, &info, nullptr); }
};

struct WriteStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteStructs() { png_destroy_write_struct(&png, &info); }
};

struct PngHeader {
  png_uint_32 width;
  png_uint_32 height;
  double storedBytes;  // the uncompressed size of the rows as the file stores them
  bool sixteenBit;     // samples of 16 bits, which are reduced to 8
};

// Reads the header and asks libpng for 8-bit RGBA rows. Returns false after an error.
bool readHeader(png_structp png, png_infop info, PngHeader* header) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_read_info(png, info);
  header->storedBytes = double(png_get_image_height(png, info)) * double(png_get_rowbytes(png, info) + 1);
  const png_byte colorType = png_get_color_type(png, info);
  const png_byte bitDepth = png_get_bit_depth(png, info);
  const bool transparencyChunk = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  header->sixteenBit = bitDepth == 16;
  if (bitDepth == 16) png_set_scale_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (transparencyChunk) png_set_tRNS_to_alpha(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if ((colorType & PNG_COLOR_MASK_ALPHA) == 0 && !transparencyChunk) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) != 4) {
    png_error(png, "unsupported pixel format");
  }
  header->width = png_get_image_width(png, info);
  header->height = png_get_image_height(png, info);
  return true;
}

bool readRows(png_structp png, png_infop info, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, info);
  return true;
}

bool writeRows(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  // Every row stored as its difference from the row above (the Up filter), deflated at
  // zlib's level 2: against libpng's choice among all five filters for each row at level 3,
  // about 0.4 of the time for files 1.1 to 1.3 times the size, which also read back faster.
  // Writing shares the processors with the renders (README.md has the figures).
  png_set_compression_level(png, 2);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

std::vector<png_bytep> rowPointers(const RgbaImage& image) {
  std::vector<png_bytep> rows(image.height);
  for (png_uint_32 y = 0; y < image.height; ++y) {
    // libpng's row type is not const; writing only reads the rows.
    rows[y] = const_cast<png_bytep>(image.pixel(0, y));
  }
  return rows;
}

std::vector<png_byte> fileBytes(const std::string& path) {
  const auto failure = [&]() { return std::runtime_error("cannot read " + path + ": " + std::strerror(errno)); };
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), std::fclose);
  if (!file) throw failure();
  std::vector<png_byte> bytes;
  png_byte buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  if (std::ferror(file.get())) throw failure();
  return bytes;
}

}  // namespace

RgbaImage readPng(const std::string& path) {
  const std::vector<png_byte> bytes = fileBytes(path);
  const auto failure = [&](const std::string& reason) { return std::runtime_error("cannot read " + path + ": " + reason); };
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) throw failure("not a PNG file");

  PngError error{};
  PngSource source{bytes.data(), bytes.size(), 0};
  ReadStructs structs;
  structs.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, onError, onWarning);
  if (!structs.png || !(structs.info = png_create_info_struct(structs.png))) throw failure("out of memory");
  png_set_read_fn(structs.png, &source, readFromSource);

  PngHeader header{};
  if (!readHeader(structs.png, structs.info, &header)) throw failure(error.message);
  // Deflate shrinks data at most about 1032 times: a file too small to hold the picture
  // its header announces is cut short, and is refused before its buffer is allocated.
  if (header.storedBytes > double(bytes.size()) * 1032.0) {
    throw failure("the file is too short for a " + std::to_string(header.width) + "x" +
                  std::to_string(header.height) + " picture");
  }
  RgbaImage image(header.width, header.height);
  std::vector<png_bytep> rows = rowPointers(image);
  if (!readRows(structs.png, structs.info, rows.data())) throw failure(error.message);
  if (header.sixteenBit) noteOnce(Note::SixteenBitReduced, path + " has 16-bit samples; they are reduced to 8 bits");
  return image;
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> pngSize(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), std::fclose);
  png_byte start[24];  // the signature, then IHDR's length, type, width and height
  if (!file || std::fread(start, 1, sizeof start, file.get()) != sizeof start || png_sig_cmp(start, 0, 8) != 0 ||
      std::memcmp(start + 12, "IHDR", 4) != 0) {
    return std::nullopt;
  }
  return std::pair<std::uint32_t, std::uint32_t>{png_get_uint_32(start + 16), png_get_uint_32(start + 20)};
}

bool pngHasAlpha(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openFile(path, "rb"), std::fclose);
  png_byte signature[8];
  if (!file || std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) return false;
  // Chunks are a 4-byte length, a 4-byte type, the data and a CRC; IHDR comes first and tRNS
  // before the first IDAT.
  png_byte chunk[8];
  while (std::fread(chunk, 1, 8, file.get()) == 8) {
    const long length = long(png_get_uint_32(chunk));
    const std::string type(reinterpret_cast<const char*>(chunk + 4), 4);
    if (type == "IHDR") {
      png_byte header[13];
      if (length != 13 || std::fread(header, 1, 13, file.get()) != 13) return false;
      if (header[9] & PNG_COLOR_MASK_ALPHA) return true;
      if (std::fseek(file.get(), 4, SEEK_CUR) != 0) return false;
      continue;
    }
    if (type == "tRNS") return true;
    if (type == "IDAT" || type == "IEND" || std::fseek(file.get(), length + 4, SEEK_CUR) != 0) return false;
  }
  return false;
}

void writePng(ReplacingFile& file, const RgbaImage& image) {
  if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide) {
    throw file.failure("a PNG of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
                       " pixels is not supported");
  }
  PngError error{};
  PngSink sink{file.stream(), 0};
  WriteStructs structs;
  structs.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, onError, onWarning);
  if (!structs.png || !(structs.info = png_create_info_struct(structs.png))) throw file.failure("out of memory");
  png_set_write_fn(structs.png, &sink, writeToSink, flushSink);

  std::vector<png_bytep> rows = rowPointers(image);
  if (!writeRows(structs.png, structs.info, image.width, image.height, rows.data())) {
    throw file.failure(sink.error ? std::strerror(sink.error) : error.message);
  }
  file.commit();
}

void writePng(const std::string& path, const RgbaImage& image) {
  ReplacingFile file(path);
  writePng(file, image);
}

}  // namespace vantrel
