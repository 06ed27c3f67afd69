// Video files in and out through the system's ffmpeg, run as a child process that
// decodes to, or encodes from, raw RGBA frames on a pipe.
#pragma once

#include <memory>
#include <string>

#include "FrameIo.h"

namespace vantrel {

// Finds the file's size, frame rate and frame count with ffprobe, then decodes it with
// ffmpeg. Throws std::runtime_error when the file is missing, ffmpeg is not installed or
// ffprobe cannot read the file.
std::unique_ptr<FrameSource> openVideoSource(const InputSpec& input);

// Encodes frames into a temporary file beside `path` (H.264 for .mp4, .mov and .mkv,
// ProRes 4444 for a .mov with alpha; MPEG-4 for .avi; VP9 with alpha for .webm; a
// generated palette for .gif; or what --codec and --pix-fmt ask for), with the input's
// audio, colour description and pixel shape; renamed over `path` by finish() once ffmpeg
// has succeeded and the file reads back whole. The size is the first frame's; H.264's odd
// sides are padded to even ones with a note, and where the output holds no alpha the
// frames are composited onto black with a note. `frames` is how many frames the run means
// to write (0 if not known): where fewer come (an interrupted run, an input that ends
// early), the audio is cut to the frames' span.
std::unique_ptr<FrameSink> openVideoSink(const OutputSpec& output, std::size_t frames);

}  // namespace vantrel
