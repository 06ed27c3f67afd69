// Raw frames on a pipe, as ffmpeg's rawvideo format has them: every frame width × height
// × 4 bytes, rows top to bottom, back to back, with nothing between.
#pragma once

#include <cstdint>
#include <vector>

#include "ChildProcess.h"
#include "FrameIo.h"

namespace vantrel {

// Frames read from `fd` until its end; a last frame cut short is an error.
class RawFrameSource : public FrameSource {
 public:
  // Throws std::runtime_error for a size of 0 or one larger than 32768 a side.
  RawFrameSource(OwnedFd fd, std::uint32_t width, std::uint32_t height, PixelFormat format);

  std::optional<RgbaImage> next() override;
  // Known only when the input is a regular file (frames redirected from one).
  std::size_t count() const override { return count_; }
  long lastNumber() const override { return number_; }

 private:
  OwnedFd fd_;
  std::uint32_t width_;
  std::uint32_t height_;
  PixelFormat format_;
  std::size_t count_ = 0;
  long number_ = -1;
  bool ended_ = false;
};

// Frames written to `fd`, all of the first frame's size.
class RawFrameSink : public FrameSink {
 public:
  RawFrameSink(OwnedFd fd, PixelFormat format);

  void write(const RgbaImage& frame, long number) override;
  void finish() override {}

 private:
  OwnedFd fd_;
  PixelFormat format_;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace vantrel
