// What the video reader and writer share: finding ffmpeg's programs, reading a file's
// video stream with ffprobe, and the one-line reason a child process failed.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace vantrel {

// Takes ffmpeg from `path` rather than from PATH, and ffprobe from beside it.
void useFfmpegAt(const std::string& path);

// The path of ffmpeg or ffprobe, needed for `file`; throws std::runtime_error saying how to
// get it where it is missing.
std::string requireProgram(const std::string& name, const std::string& file);

// The reason a child gave for failing: the last line of its standard error, or its exit
// status when it said nothing.
std::string childFailure(const std::string& name, int status, const ErrorCapture& errors);

// The first error a child wrote on standard error: ffmpeg names the cause there, before
// what followed from it. Encoder libraries that log by themselves whatever ffmpeg's -v
// ("x265 [info]: ...") are passed over, and ffmpeg's "[name @ 0x...] " prefix is dropped.
std::string firstError(const ErrorCapture& errors);

std::string sizeText(std::uint32_t width, std::uint32_t height);

// "30000/1001" or "25"; nothing for anything else or a rate not above 0.
std::optional<double> parseRate(const std::string& text);

// The first video stream of a file, as ffprobe reports it.
struct VideoInfo {
  std::uint32_t width = 0;   // as displayed: a quarter turn swaps the stored sides
  std::uint32_t height = 0;
  std::optional<double> fps;
  std::size_t frames = 0;    // counted from the stream's packets
  std::string codec;
  std::string pixelFormat;  // ffmpeg's name: "yuv422p10le"
  // Presentation times of the frames in order, in seconds from the first; empty when some
  // packet carries none (then the frames are taken as evenly spaced).
  std::vector<double> times;
  double startOffset = 0;  // the first frame's time after the file's start, from where
                           // ffmpeg's -ss counts
  std::string container;   // ffprobe's format_name: "mov,mp4,m4a,3gp,3g2,mj2", "mpegts"
  bool picture = false;      // a single picture (.bmp, .tif, .webp...) rather than a video
  bool hasAlpha = false;
  int bitsPerSample = 8;
  // As ffmpeg names them; empty where the file says none.
  std::string colorPrimaries, colorTransfer, colorSpace, colorRange, sampleAspectRatio;
  bool hasAudio = false;
};

// What probeVideo throws for a file that holds no video ffmpeg can read.
class NotAVideo : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws NotAVideo "cannot read PATH: ..." when ffprobe fails or finds no video.
VideoInfo probeVideo(const std::string& path);

}  // namespace vantrel
