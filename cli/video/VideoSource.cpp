#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "Ffmpeg.h"
#include "Notes.h"
#include "PipeIo.h"
#include "VideoFiles.h"

namespace vantrel {
namespace {

// "2.5", "0.04": as short as the number is.
std::string numberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

std::string secondsText(double seconds) { return numberText(seconds) + " s"; }

// Which of a file's frames a run takes: all, a span of time (-ss, -t), or frames by number
// (--frames). Numbers count the file's frames from 0.
struct FramePick {
  long first = 0;
  std::optional<long> end;                   // one past the last frame taken; none: to the end
  std::optional<std::vector<long>> numbers;  // increasing
};

class VideoSource : public FrameSource {
 public:
  VideoSource(const InputSpec& input, const std::string& ffmpeg, VideoInfo info)
      : path_(input.path), info_(std::move(info)) {
    if (info_.picture) {
      if (input.start || input.duration) throw refusedTrim(path_ + ", a single picture");
      numbers_ = input.frames.empty() ? std::vector<long>{0} : input.frames;
    } else {
      pick_ = pickFrames(input);
    }
    std::vector<std::string> arguments = {"-nostdin", "-v", "error"};
    // ffmpeg's own VP8 and VP9 decoders leave out a WebM's alpha; libvpx's keep it.
    if (info_.codec == "vp9") arguments.insert(arguments.end(), {"-c:v", "libvpx-vp9"});
    if (info_.codec == "vp8") arguments.insert(arguments.end(), {"-c:v", "libvpx"});
    // Frames before the first taken are dropped by ffmpeg, at halfway between that frame
    // and the one before, so that its rounding of times cannot move the cut. Containers with
    // an index seek there; in others (MPEG-TS) a seek can land past a keyframe, so they are
    // decoded from the start.
    std::vector<std::string> seek;
    if (pick_.first > 0 && time(pick_.first)) {
      char at[32];
      std::snprintf(at, sizeof at, "%.6f", info_.startOffset + (*time(pick_.first) + *time(pick_.first - 1)) / 2);
      seek = {"-ss", at};
    }
    const std::string& container = info_.container;
    const bool indexed = container.find("mp4") != std::string::npos ||
                         container.find("matroska") != std::string::npos || container == "avi";
    if (indexed) arguments.insert(arguments.end(), seek.begin(), seek.end());
    arguments.insert(arguments.end(), {"-i", path_, "-map", "0:v:0", "-fps_mode", "passthrough"});
    if (!indexed) arguments.insert(arguments.end(), seek.begin(), seek.end());
    // ffmpeg converts a video that names no matrix as BT.601; players take an HD one for
    // BT.709, and so do we, as our output does.
    const std::uint32_t longer = std::max(info_.width, info_.height), shorter = std::min(info_.width, info_.height);
    if (info_.colorSpace.empty() && (longer >= 1280 || shorter > 576)) {
      arguments.insert(arguments.end(), {"-vf", "scale=in_color_matrix=bt709"});
    }
    arguments.insert(arguments.end(), {"-f", "rawvideo", "-pix_fmt", "rgba", "-"});
    Pipe output = makePipe();
    child_.emplace(ffmpeg, arguments, ChildProcess::Streams{-1, output.write.get(), errors_.fd()});
    frames_ = std::move(output.read);
    decoded_ = pick_.first - 1;
  }

  // Closing the pipe first lets a running ffmpeg fail on its next write; the child is
  // then killed and reaped in any case.
  ~VideoSource() override { frames_.reset(); }

  std::optional<RgbaImage> next() override {
    if (info_.picture) {
      // One picture, given for each number picked, as a still is.
      if (at_ == numbers_.size()) return std::nullopt;
      if (!picture_) picture_ = decode();  // throws when there is none
      number_ = numbers_[at_++];
      return picture_;
    }
    for (;;) {
      const bool picked = pick_.numbers ? at_ < pick_.numbers->size() : !pick_.end || decoded_ + 1 < *pick_.end;
      if (!picked) {
        stop();
        return std::nullopt;
      }
      std::optional<RgbaImage> frame = decode();
      if (!frame) return std::nullopt;
      if (pick_.numbers && (*pick_.numbers)[at_] != decoded_) continue;  // decoded, not taken
      ++at_;
      number_ = decoded_;
      return frame;
    }
  }

  std::size_t count() const override {
    if (info_.picture) return numbers_.size();
    if (pick_.numbers) return pick_.numbers->size();
    return std::size_t(pick_.end.value_or(long(info_.frames)) - pick_.first);
  }
  long lastNumber() const override { return number_; }
  std::vector<long> numbers() const override {
    if (info_.picture) return numbers_;
    if (pick_.numbers) return *pick_.numbers;
    std::vector<long> span;
    for (long number = pick_.first; number < pick_.end.value_or(long(info_.frames)); ++number) span.push_back(number);
    return span;
  }
  std::optional<FrameRate> fps() const override {
    return info_.fps && !info_.picture ? std::optional<FrameRate>(frameRateOf(*info_.fps)) : std::nullopt;
  }
  std::optional<double> lastTime() const override {
    return number_ < 0 || info_.picture ? std::nullopt : time(number_);
  }
  std::vector<std::string> files() const override { return {path_}; }

  StreamTraits traits() const override {
    StreamTraits traits;
    traits.hasAlpha = info_.hasAlpha;
    traits.bitsPerSample = info_.bitsPerSample;
    traits.codec = info_.codec;
    traits.pixelFormat = info_.pixelFormat;
    traits.colorPrimaries = info_.colorPrimaries;
    traits.colorTransfer = info_.colorTransfer;
    traits.colorSpace = info_.colorSpace;
    traits.colorRange = info_.colorRange;
    traits.sampleAspectRatio = info_.sampleAspectRatio;
    if (variableRate()) traits.frameTimes = info_.times;
    if (!info_.hasAudio || info_.picture) return traits;
    traits.audioFile = path_;
    // The span the frames taken cover, in the file's time as ffmpeg's -ss counts it.
    const long first = pick_.numbers ? pick_.numbers->front() : pick_.first;
    // Picked frames: to the end of the last one, held as long as the step before it.
    const std::vector<long>* picked = pick_.numbers ? &*pick_.numbers : nullptr;
    const long lastStep = picked && picked->size() > 1 ? picked->back() - (*picked)[picked->size() - 2] : 1;
    const std::optional<long> end = picked ? std::optional<long>(picked->back() + lastStep) : pick_.end;
    if (first > 0 || end) {
      const std::optional<double> from = time(first);
      if (from) traits.audioStart = std::max(0.0, info_.startOffset + *from);
      const std::optional<double> to = end ? time(*end) : std::nullopt;
      if (from && to) traits.audioDuration = *to - *from;
    }
    return traits;
  }

 private:
  static std::runtime_error refusedTrim(const std::string& what) {
    return std::runtime_error("--start and --duration trim a video, not " + what);
  }

  // Whether the frames' own times are unevenly spaced, beyond the rounding of a file's
  // time base.
  bool variableRate() const {
    const std::vector<double>& times = info_.times;
    if (times.size() < 3 || info_.picture) return false;
    double shortest = times[1] - times[0], longest = shortest;
    for (std::size_t i = 2; i < times.size(); ++i) {
      shortest = std::min(shortest, times[i] - times[i - 1]);
      longest = std::max(longest, times[i] - times[i - 1]);
    }
    return longest - shortest > 0.002;
  }

  // Frame `index`'s time from the first frame: its own, or for a file whose packets carry
  // none, its number over the rate. One past the last frame ends the last frame's span.
  std::optional<double> time(long index) const {
    const std::vector<double>& times = info_.times;
    if (index >= 0 && std::size_t(index) < times.size()) return times[std::size_t(index)];
    if (!info_.fps) return std::nullopt;
    if (times.empty()) return double(index) / *info_.fps;
    return times.back() + double(index - long(times.size()) + 1) / *info_.fps;
  }

  FramePick pickFrames(const InputSpec& input) const {
    const long frames = long(info_.frames);
    FramePick pick;
    if (!input.frames.empty()) {
      if (input.start || input.duration) {
        throw std::runtime_error("--frames picks a video's frames by number; leave out --start and --duration with it");
      }
      for (std::size_t i = 0; i < input.frames.size(); ++i) {
        if (i > 0 && input.frames[i] <= input.frames[i - 1]) {
          throw std::runtime_error("--frames takes a video's frames in increasing order, as it is read once from "
                                   "start to end; " + std::to_string(input.frames[i]) + " comes after " +
                                   std::to_string(input.frames[i - 1]));
        }
      }
      if (input.frames.back() >= frames) {
        throw std::runtime_error("--frames asks for frame " + std::to_string(input.frames.back()) + ", but " + path_ +
                                 " has " + std::to_string(frames) + " frames, 0 to " + std::to_string(frames - 1));
      }
      pick.first = input.frames.front();
      pick.numbers = input.frames;
      return pick;
    }
    if (!input.start && !input.duration) return pick;
    if (input.start && !(*input.start >= 0)) {
      throw std::runtime_error("--start takes seconds from 0 on, not " + numberText(*input.start));
    }
    if (input.duration && !(*input.duration > 0)) {
      throw std::runtime_error("--duration takes seconds above 0, not " + numberText(*input.duration));
    }
    if (!time(0)) throw refusedTrim(path_ + ", whose frames carry no times and which states no frame rate");
    // A frame a hair before the time asked for (its time rounded in the file) is in.
    constexpr double kSlack = 1e-4;
    const double from = input.start.value_or(0);
    while (pick.first < frames && *time(pick.first) < from - kSlack) ++pick.first;
    if (input.duration) {
      long end = pick.first;
      while (end < frames && *time(end) < from + *input.duration - kSlack) ++end;
      pick.end = end;
    }
    if (pick.first == pick.end.value_or(frames)) {
      throw std::runtime_error(path_ + " has no frame from " + secondsText(from) +
                               (input.duration ? " to " + secondsText(from + *input.duration) : " on") +
                               "; its last frame is at " + secondsText(*time(frames - 1)));
    }
    return pick;
  }

  // The next frame ffmpeg decodes, or nothing at its end.
  std::optional<RgbaImage> decode() {
    if (ended_) return std::nullopt;
    RgbaImage frame(info_.width, info_.height);
    int error = 0;
    const std::size_t got = readFully(frames_.get(), frame.rgba.data(), frame.rgba.size(), &error);
    if (got == frame.rgba.size()) {
      ++decoded_;
      return frame;
    }
    ended_ = true;
    frames_.reset();
    const int status = child_->wait();
    if (status != 0) throw std::runtime_error("cannot read " + path_ + ": " + childFailure("ffmpeg", status, errors_));
    if (error) throw std::runtime_error("cannot read " + path_ + ": " + std::strerror(error));
    if (got > 0) {
      throw std::runtime_error("cannot read " + path_ + ": ffmpeg's frames ended " + std::to_string(got) +
                               " bytes into frame " + std::to_string(decoded_ + 1));
    }
    if (number_ < 0) throw std::runtime_error("cannot read " + path_ + ": it holds no video frames");
    if (const std::string said = firstError(errors_); !said.empty()) {
      noteOnce(Note::InputDamaged, path_ + " is cut short or damaged (ffmpeg: " + said + "); the " +
                                       std::to_string(decoded_ + 1) + " frames it holds are rendered");
    }
    return std::nullopt;
  }

  // Past the last frame taken: the rest is not decoded.
  void stop() {
    if (ended_) return;
    ended_ = true;
    frames_.reset();
    child_->kill();
  }

  std::string path_;
  VideoInfo info_;
  FramePick pick_;
  std::vector<long> numbers_;  // a single picture's frame numbers
  std::optional<RgbaImage> picture_;
  ErrorCapture errors_;
  std::optional<ChildProcess> child_;  // declared after the capture it writes to, so ended first
  OwnedFd frames_;
  long decoded_ = -1;  // the file's number of the frame decoded last
  std::size_t at_ = 0;  // frames given so far
  long number_ = -1;    // the file's number of the frame given last
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<FrameSource> openVideoSource(const InputSpec& input) {
  const std::string& path = input.path;
  std::error_code error;
  (void)std::filesystem::status(std::filesystem::u8path(path), error);  // a missing file included
  if (error) throw std::runtime_error("cannot read " + path + ": " + error.message());
  const std::string ffmpeg = requireProgram("ffmpeg", path);
  return std::make_unique<VideoSource>(input, ffmpeg, probeVideo(path));
}

}  // namespace vantrel
