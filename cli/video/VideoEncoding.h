// How a video output is encoded: the encoder and its pixel format, the filters that turn
// RGBA frames into it with the input's colour description, and what becomes of the
// input's audio. Decided from the container, the command line and what the input holds;
// nothing here runs a process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FrameIo.h"
#include "Notes.h"

namespace vantrel {

// What `ffmpeg -hide_banner -h encoder=NAME` says about an encoder.
struct EncoderInfo {
  std::string name;                       // ffmpeg's own ("libx264" when asked for "h264")
  std::vector<std::string> pixelFormats;  // empty when ffmpeg does not list them
};

// Nothing when ffmpeg has no encoder by the name asked.
std::optional<EncoderInfo> parseEncoderHelp(const std::string& text);

// The encoder asked for (--codec), else the container's own for what the input holds.
std::string encoderFor(const OutputSpec& output);

// ffmpeg's muxer for the output's container ("matroska" for .mkv).
std::string muxerFor(const std::string& path);

// Whether an ffmpeg pixel format ("yuva420p", "argb", "pal8") carries transparency.
bool pixelFormatHasAlpha(const std::string& format);

struct VideoPlan {
  bool keepsAlpha = false;             // otherwise frames are composited onto black first
  std::vector<std::string> arguments;  // ffmpeg's output options for the video stream
  std::vector<std::pair<Note, std::string>> notes;
};

// `encoder` is what ffmpeg said about the encoder to use, where it was asked.
VideoPlan planVideo(const OutputSpec& output, const std::optional<EncoderInfo>& encoder, std::uint32_t width,
                    std::uint32_t height);

// Output options for the audio streams of ffmpeg's second input, whose codecs are
// `codecs`: each copied where the output's container holds it and it plays at its own
// `tempo` (1), else encoded in the container's usual codec, faster or slower by `tempo`.
std::vector<std::string> audioArguments(const std::string& path, const std::vector<std::string>& codecs,
                                        double tempo = 1);

}  // namespace vantrel
