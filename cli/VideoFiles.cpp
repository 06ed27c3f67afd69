#include "VideoFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <vector>

#include "ChildProcess.h"
#include "MediaFiles.h"
#include "Notes.h"
#include "PipeIo.h"

namespace vantrel {
namespace {

constexpr std::uint32_t kMaxSide = 32768;

std::string sizeText(std::uint32_t width, std::uint32_t height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

std::string requireProgram(const std::string& name, const std::string& file) {
  const std::optional<std::string> program = findProgram(name);
  if (!program) throw std::runtime_error(name + " is not installed; it is needed for " + file + " (apt-get install ffmpeg)");
  return *program;
}

// The reason a child gave for failing: the last line of its standard error, or its exit
// status when it said nothing.
std::string childFailure(const std::string& name, int status, const ErrorCapture& errors) {
  const std::string line = errors.lastLine();
  if (!line.empty()) return name + ": " + line;
  if (status > 128) return name + " was killed by signal " + std::to_string(status - 128);
  return name + " failed with exit code " + std::to_string(status);
}

struct VideoInfo {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::optional<double> fps;
  std::size_t frames = 0;
  std::string codec;
};

// "30000/1001" or "25".
std::optional<double> parseRate(const std::string& text) {
  char* end = nullptr;
  const double numerator = std::strtod(text.c_str(), &end);
  double denominator = 1;
  if (*end == '/') denominator = std::strtod(end + 1, &end);
  if (*end != '\0' || !(numerator > 0) || !(denominator > 0) || !std::isfinite(numerator / denominator)) {
    return std::nullopt;
  }
  return numerator / denominator;
}

VideoInfo probe(const std::string& path) {
  const std::string ffprobe = requireProgram("ffprobe", path);
  Pipe output = makePipe();
  ErrorCapture errors;
  ChildProcess child(ffprobe,
                     {"-v", "error", "-select_streams", "v:0", "-show_entries",
                      "stream=codec_name,width,height,r_frame_rate,nb_frames:stream_side_data=rotation", "-of",
                      "default=noprint_wrappers=1", path},
                     {-1, output.write.get(), errors.fd()});
  output.write.reset();
  std::string text;
  char buffer[4096];
  int error = 0;
  std::size_t n;
  while ((n = readFully(output.read.get(), buffer, sizeof buffer, &error)) > 0) text.append(buffer, n);
  const int status = child.wait();
  if (status != 0) throw std::runtime_error("cannot read " + path + ": " + childFailure("ffprobe", status, errors));

  std::map<std::string, std::string> values;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos && !values.count(line.substr(0, equals))) {
      values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    start = end + 1;
  }
  if (!values.count("width")) throw std::runtime_error("cannot read " + path + ": it holds no video stream");

  VideoInfo info;
  const long width = std::atol(values["width"].c_str());
  const long height = std::atol(values["height"].c_str());
  if (width <= 0 || height <= 0 || width > long(kMaxSide) || height > long(kMaxSide)) {
    throw std::runtime_error("cannot read " + path + ": a video of " + values["width"] + "x" + values["height"] +
                             " pixels is not supported");
  }
  info.width = std::uint32_t(width);
  info.height = std::uint32_t(height);
  // ffmpeg turns frames upright as the file's display matrix says, which swaps the sides
  // of a quarter turn.
  if (values.count("rotation") && std::abs(std::atol(values["rotation"].c_str())) % 180 == 90) {
    std::swap(info.width, info.height);
  }
  info.fps = parseRate(values["r_frame_rate"]);
  const long frames = std::atol(values["nb_frames"].c_str());  // "N/A" reads as 0: not known
  info.frames = frames > 0 ? std::size_t(frames) : 0;
  info.codec = values["codec_name"];
  return info;
}

class VideoSource : public FrameSource {
 public:
  VideoSource(const std::string& path, const std::string& ffmpeg, const VideoInfo& info)
      : path_(path), info_(info) {
    std::vector<std::string> arguments = {"-nostdin", "-v", "error"};
    // ffmpeg's own VP8 and VP9 decoders leave out a WebM's alpha; libvpx's keep it.
    if (info.codec == "vp9") arguments.insert(arguments.end(), {"-c:v", "libvpx-vp9"});
    if (info.codec == "vp8") arguments.insert(arguments.end(), {"-c:v", "libvpx"});
    arguments.insert(arguments.end(), {"-i", path, "-map", "0:v:0", "-fps_mode", "passthrough", "-f", "rawvideo",
                                       "-pix_fmt", "rgba", "-"});
    Pipe output = makePipe();
    child_.emplace(ffmpeg, arguments, ChildProcess::Streams{-1, output.write.get(), errors_.fd()});
    frames_ = std::move(output.read);
  }

  // Closing the pipe first lets a running ffmpeg fail on its next write; the child is
  // then killed and reaped in any case.
  ~VideoSource() override { frames_.reset(); }

  std::optional<RgbaImage> next() override {
    if (ended_) return std::nullopt;
    RgbaImage frame(info_.width, info_.height);
    int error = 0;
    const std::size_t got = readFully(frames_.get(), frame.rgba.data(), frame.rgba.size(), &error);
    if (got == frame.rgba.size()) {
      ++number_;
      return frame;
    }
    ended_ = true;
    frames_.reset();
    const int status = child_->wait();
    if (status != 0) throw std::runtime_error("cannot read " + path_ + ": " + childFailure("ffmpeg", status, errors_));
    if (error) throw std::runtime_error("cannot read " + path_ + ": " + std::strerror(error));
    if (got > 0) {
      throw std::runtime_error("cannot read " + path_ + ": ffmpeg's frames ended " + std::to_string(got) +
                               " bytes into frame " + std::to_string(number_ + 1));
    }
    if (number_ < 0) throw std::runtime_error("cannot read " + path_ + ": it holds no video frames");
    return std::nullopt;
  }

  std::size_t count() const override { return info_.frames; }
  long lastNumber() const override { return number_; }
  std::optional<double> fps() const override { return info_.fps; }

 private:
  std::string path_;
  VideoInfo info_;
  ErrorCapture errors_;
  std::optional<ChildProcess> child_;  // declared after the capture it writes to, so ended first
  OwnedFd frames_;
  long number_ = -1;
  bool ended_ = false;
};

std::string rateText(double fps) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", fps);
  return text;
}

class VideoSink : public FrameSink {
 public:
  VideoSink(const std::string& path, double fps, bool noClobber)
      : path_(path), extension_(extensionOf(path)), fps_(fps), noClobber_(noClobber) {
    if (noClobber_ && pathExists(path_)) throw existsError(path_);
    if (!(fps > 0) || !std::isfinite(fps)) throw failure("a frame rate of " + rateText(fps) + " is not usable");
    ffmpeg_ = requireProgram("ffmpeg", path_);
    std::error_code ignored;
    if (std::filesystem::is_directory(path_, ignored)) throw failure("it is a folder");

    // ffmpeg tells the container by the name, so the temporary keeps the extension.
    const std::filesystem::path destination(path_);
    std::string name = (destination.parent_path() / ("." + destination.filename().string() + ".vantrel-XXXXXX")).string();
    name += extension_;
    std::vector<char> pattern(name.begin(), name.end());
    pattern.push_back('\0');
    const int fd = mkstemps(pattern.data(), int(extension_.size()));
    if (fd < 0) throw failure(std::strerror(errno));
    temporary_.assign(pattern.data());
    // ffmpeg writes into the file as it is, private as mkstemps made it; the result gets
    // the permissions of any new file.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
  }

  ~VideoSink() override {
    input_.reset();
    if (child_) child_->kill();
    if (!temporary_.empty()) std::remove(temporary_.c_str());
  }

  void write(const RgbaImage& frame, long number) override {
    if (!child_) start(frame);
    if (frame.width != width_ || frame.height != height_) {
      throw failure("frame " + std::to_string(number) + " is " + sizeText(frame.width, frame.height) +
                    ", but the video is " + sizeText(width_, height_));
    }
    if (input_.get() < 0) throw failure("ffmpeg has already stopped");
    const int error = writeFully(input_.get(), frame.rgba.data(), frame.rgba.size());
    if (error) {
      input_.reset();
      const int status = child_->wait();
      throw failure(status != 0 ? childFailure("ffmpeg", status, errors_) : std::string(std::strerror(error)));
    }
  }

  void finish() override {
    if (!child_) throw failure("no frames to write");
    input_.reset();
    const int status = child_->wait();
    if (status != 0) throw failure(childFailure("ffmpeg", status, errors_));
    if (noClobber_ && pathExists(path_)) throw existsError(path_);
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) throw failure(std::strerror(errno));
    temporary_.clear();
  }

 private:
  std::runtime_error failure(const std::string& reason) const {
    return std::runtime_error("cannot write " + path_ + ": " + reason);
  }

  std::vector<std::string> codecArguments(std::uint32_t width, std::uint32_t height) const {
    if (extension_ == ".avi") return {"-c:v", "mpeg4", "-q:v", "2", "-pix_fmt", "yuv420p"};
    if (extension_ == ".webm") {
      return {"-c:v", "libvpx-vp9", "-pix_fmt", "yuva420p", "-crf", "30", "-b:v", "0", "-row-mt", "1", "-cpu-used", "4"};
    }
    if (extension_ == ".gif") {
      return {"-vf", "split[a][b];[a]palettegen=reserve_transparent=1[p];[b][p]paletteuse", "-loop", "0"};
    }
    // H.264 in yuv420p, which players everywhere take, halves the colour resolution and so
    // needs even sides.
    std::vector<std::string> arguments = {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-crf", "18"};
    if (width % 2 != 0 || height % 2 != 0) {
      noteOnce(Note::VideoPadded, path_ + " is padded to " + sizeText(width + width % 2, height + height % 2) +
                                      " with black, as H.264 in yuv420p needs even sides");
      arguments.insert(arguments.end(), {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2"});
    }
    if (extension_ == ".mp4" || extension_ == ".mov") arguments.insert(arguments.end(), {"-movflags", "+faststart"});
    return arguments;
  }

  void start(const RgbaImage& first) {
    width_ = first.width;
    height_ = first.height;
    std::vector<std::string> arguments = {"-v", "error", "-y", "-f", "rawvideo", "-pix_fmt", "rgba",
                                          "-s", sizeText(width_, height_), "-r", rateText(fps_), "-i", "-"};
    const std::vector<std::string> codec = codecArguments(width_, height_);
    arguments.insert(arguments.end(), codec.begin(), codec.end());
    arguments.push_back(temporary_);
    Pipe input = makePipe();
    child_.emplace(ffmpeg_, arguments, ChildProcess::Streams{input.read.get(), -1, errors_.fd()});
    input_ = std::move(input.write);
  }

  std::string path_;
  std::string extension_;
  double fps_;
  bool noClobber_;
  std::string ffmpeg_;
  std::string temporary_;  // empty once renamed into place
  ErrorCapture errors_;
  std::optional<ChildProcess> child_;
  OwnedFd input_;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
};

}  // namespace

std::unique_ptr<FrameSource> openVideoSource(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) throw std::runtime_error("cannot read " + path + ": " + std::strerror(errno));
  const std::string ffmpeg = requireProgram("ffmpeg", path);
  return std::make_unique<VideoSource>(path, ffmpeg, probe(path));
}

std::unique_ptr<FrameSink> openVideoSink(const std::string& path, double fps, bool noClobber) {
  return std::make_unique<VideoSink>(path, fps, noClobber);
}

}  // namespace vantrel
