// Where frames come from and where they go: a still picture, a numbered sequence of
// files, raw frames on a pipe, or a video file through the system's ffmpeg.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "FramePattern.h"
#include "FrameRate.h"
#include "RgbaImage.h"

namespace vantrel {

enum class PixelFormat { Rgba, Argb };  // ffmpeg's rgba and argb: straight alpha

// What the command line says about the input.
struct InputSpec {
  std::string path;           // a file, a pattern ("shot_%04d.png", "shot_####.png"), "-" for
                              // raw frames on stdin, or empty for the built-in picture
  std::vector<long> frames;   // frame numbers from --frames; empty: all there are
  std::optional<std::pair<std::uint32_t, std::uint32_t>> size;  // --size WxH, for raw frames
  PixelFormat pixelFormat = PixelFormat::Rgba;                   // --pix-fmt, for raw frames
  std::optional<double> start;     // -ss: seconds of a video skipped before its first frame
  std::optional<double> duration;  // -t: seconds of a video read from there
  bool autoOrient = true;          // turn a JPEG upright as its EXIF orientation says
};

// What a video output carries over from its input besides the pictures.
struct StreamTraits {
  bool hasAlpha = false;   // the pictures may be transparent (an input with alpha, or the effect's
                           // transparent background)
  int bitsPerSample = 8;   // of the input video's samples (10 for a 10-bit video)
  std::string codec, pixelFormat;  // of the input video, as ffmpeg names them ("prores", "yuv422p10le")
  // The colour description as ffmpeg names it ("bt709", "tv"), empty where the input says none.
  std::string colorPrimaries, colorTransfer, colorSpace, colorRange;
  std::string sampleAspectRatio;  // "1:1", "64:45"; empty when not known
  // A file whose audio streams go into the output, from `audioStart` for `audioDuration`
  // seconds (the span the frames came from); empty: no audio.
  std::string audioFile;
  std::optional<double> audioStart, audioDuration;
  // The times of a variable-rate input's frames, in seconds, by frame number; empty for
  // an input at a steady rate, whose output is timed by the rate alone.
  std::vector<double> frameTimes;
  // The frames taken are numbered with gaps between them (a sequence that lacks some,
  // every other frame picked): in a video each keeps its number's time, the one before
  // held over the gap.
  bool framesApart = false;
  // How much faster the audio plays than in the input: the frames' rate over the input's
  // where --fps sets another, so that the audio stays with the frames.
  double audioTempo = 1;
};

// How a video output is encoded (--codec, --crf, --pix-fmt); empty: the container's default.
struct VideoEncoding {
  std::string codec;
  std::optional<int> crf;
  std::string pixelFormat;
};

// What the command line says about the output.
struct OutputSpec {
  std::string path;          // a file, a pattern, or "-" for raw frames on stdout
  PixelFormat pixelFormat = PixelFormat::Rgba;
  bool noClobber = false;    // -n: refuse to replace an existing file
  bool numbered = false;     // frames were picked (--frames) or come from a sequence: a
                             // number field makes a pattern even for one frame
  FrameRate fps;             // for a video file
  VideoEncoding encoding;    // for a video file
  bool audio = true;         // -an: false
  StreamTraits input;        // what the input holds, for a video file
};

// What FrameSource::next throws for an input that ends inside a frame: the frames before
// it are whole, so the run writes them, then fails with this.
class IncompleteInput : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Frames in order. Reads may run on another thread than the one that opened it, but one
// thread at a time.
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // The next frame, or nothing at the end. Throws std::runtime_error with a one-line
  // reason naming the file or frame.
  virtual std::optional<RgbaImage> next() = 0;
  // The number of frames when known before reading (files, video), else 0.
  virtual std::size_t count() const = 0;
  // The frame number of the frame `next` returned last (a pattern's number; 0, 1, 2...
  // for a stream), which names the matching output frame.
  virtual long lastNumber() const = 0;
  // Frames per second of a video input, if it has one.
  virtual std::optional<FrameRate> fps() const { return std::nullopt; }
  // The time of the frame `next` returned last, in seconds from the input's first, where
  // the input says (a video's own timestamps); otherwise its number over the rate.
  virtual std::optional<double> lastTime() const { return std::nullopt; }
  // What an output may carry over (known once opened).
  virtual StreamTraits traits() const { return {}; }
  // The files it reads, where they are known before reading (a video's, a sequence's).
  virtual std::vector<std::string> files() const { return {}; }
  // The numbers lastNumber will give, in order, where they are known before reading
  // (pictures, sequences, a video's frames); empty where not (raw frames).
  virtual std::vector<long> numbers() const { return {}; }
  // Whether its frames are named by number (a sequence), so that a number field in the
  // output's name makes a pattern even for one frame, as for frames picked.
  virtual bool numbered() const { return false; }
};

// Frames written in order.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // Writes the frame numbered `number`. Throws std::runtime_error with a one-line reason.
  virtual void write(const RgbaImage& frame, long number) = 0;
  // Whether write may be called from several threads at once, for different frames (a
  // file per frame); a stream takes its frames one at a time, in order.
  virtual bool takesFramesInAnyOrder() const { return false; }
  // Completes the output: files renamed into place, the video encoder finished. Without
  // finish, a destroyed sink leaves no new or partial file behind.
  virtual void finish() = 0;
};

// A name is a numbered pattern only where the run has several frames or picks them: an
// input's when frames are picked or no file has the name as written, an output's when
// more than one frame (or an unknown number) goes to it, or frames are picked or come
// from a sequence.
std::unique_ptr<FrameSource> openSource(const InputSpec& input);
std::optional<FramePattern> outputPattern(const OutputSpec& output, std::size_t frames);
// `frames` is how many frames will be written when known (0 if not); a single-file
// output takes exactly one.
std::unique_ptr<FrameSink> openSink(const OutputSpec& output, std::size_t frames);

}  // namespace vantrel
