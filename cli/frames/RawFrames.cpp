#include "RawFrames.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "PipeIo.h"

namespace vantrel {
namespace {

constexpr std::uint32_t kMaxSide = 32768;

const char* formatName(PixelFormat format) { return format == PixelFormat::Argb ? "argb" : "rgba"; }

std::string sizeText(std::uint32_t width, std::uint32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

RawFrameSource::RawFrameSource(OwnedFd fd, std::uint32_t width, std::uint32_t height, PixelFormat format)
    : fd_(std::move(fd)), width_(width), height_(height), format_(format) {
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
    throw std::runtime_error("raw frames of " + sizeText(width, height) + " pixels are not supported (1 to " +
                             std::to_string(kMaxSide) + " a side)");
  }
  struct stat status;
  const off_t at = lseek(fd_.get(), 0, SEEK_CUR);
  if (fstat(fd_.get(), &status) == 0 && S_ISREG(status.st_mode) && at >= 0 && status.st_size >= at) {
    count_ = std::size_t(status.st_size - at) / (std::size_t(width) * height * 4);
  }
}

std::optional<RgbaImage> RawFrameSource::next() {
  if (ended_) return std::nullopt;
  RgbaImage frame(width_, height_);
  int error = 0;
  const std::size_t got = readFully(fd_.get(), frame.rgba.data(), frame.rgba.size(), &error);
  const long number = number_ + 1;
  if (error) throw std::runtime_error("cannot read raw frames: " + std::string(std::strerror(error)));
  if (got == 0) {
    ended_ = true;
    if (number == 0) throw std::runtime_error("raw input is empty: no frames came in");
    return std::nullopt;
  }
  if (got < frame.rgba.size()) {
    ended_ = true;
    throw IncompleteInput("raw input ended " + std::to_string(got) + " bytes into frame " + std::to_string(number) +
                             " (" + sizeText(width_, height_) + " " + formatName(format_) + " frames are " +
                             std::to_string(frame.rgba.size()) + " bytes)");
  }
  if (format_ == PixelFormat::Argb) {
    for (std::size_t i = 0; i < frame.rgba.size(); i += 4) {
      const std::uint8_t alpha = frame.rgba[i];
      std::memmove(&frame.rgba[i], &frame.rgba[i + 1], 3);
      frame.rgba[i + 3] = alpha;
    }
  }
  number_ = number;
  return frame;
}

RawFrameSink::RawFrameSink(OwnedFd fd, PixelFormat format) : fd_(std::move(fd)), format_(format) {}

void RawFrameSink::write(const RgbaImage& frame, long number) {
  if (width_ == 0) {
    width_ = frame.width;
    height_ = frame.height;
  } else if (frame.width != width_ || frame.height != height_) {
    throw std::runtime_error("cannot write raw frames: frame " + std::to_string(number) + " is " +
                             sizeText(frame.width, frame.height) + ", but the frames before it are " +
                             sizeText(width_, height_));
  }
  const std::uint8_t* bytes = frame.rgba.data();
  if (format_ == PixelFormat::Argb) {
    buffer_.resize(frame.rgba.size());
    for (std::size_t i = 0; i < frame.rgba.size(); i += 4) {
      buffer_[i] = frame.rgba[i + 3];
      std::memcpy(&buffer_[i + 1], &frame.rgba[i], 3);
    }
    bytes = buffer_.data();
  }
  const int error = writeFully(fd_.get(), bytes, frame.rgba.size());
  if (error == EPIPE) throw std::runtime_error("cannot write raw frames: the reading end of the pipe was closed");
  if (error) throw std::runtime_error("cannot write raw frames: " + std::string(std::strerror(error)));
}

}  // namespace vantrel
