// What the video reader and writer share: finding ffmpeg's programs, reading a file's
// video stream with ffprobe, and the one-line reason a child process failed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ChildProcess.h"

namespace vantrel {

// The program's path in $PATH; throws std::runtime_error naming the package otherwise.
std::string requireProgram(const std::string& name, const std::string& file);

// The reason a child gave for failing: the last line of its standard error, or its exit
// status when it said nothing.
std::string childFailure(const std::string& name, int status, const ErrorCapture& errors);

std::string sizeText(std::uint32_t width, std::uint32_t height);

// "30000/1001" or "25"; nothing for anything else or a rate not above 0.
std::optional<double> parseRate(const std::string& text);

// The first video stream of a file, as ffprobe reports it.
struct VideoInfo {
  std::uint32_t width = 0;   // as displayed: a quarter turn swaps the stored sides
  std::uint32_t height = 0;
  std::optional<double> fps;
  std::size_t frames = 0;    // 0 when the file does not say
  std::string codec;
};

// Throws std::runtime_error "cannot read PATH: ..." when ffprobe fails or finds no video.
VideoInfo probeVideo(const std::string& path);

}  // namespace vantrel
