#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "Ffmpeg.h"
#include "MediaFiles.h"
#include "Notes.h"
#include "PipeIo.h"
#include "VideoFiles.h"

namespace vantrel {
namespace {


class VideoSink : public FrameSink {
 public:
  explicit VideoSink(const OutputSpec& output)
      : path_(output.path), extension_(extensionOf(path_)), fps_(output.fps), noClobber_(output.noClobber) {
    if (noClobber_ && pathExists(path_)) throw existsError(path_);
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
                                          "-s", sizeText(width_, height_), "-r", fps_.text(), "-i", "-"};
    const std::vector<std::string> codec = codecArguments(width_, height_);
    arguments.insert(arguments.end(), codec.begin(), codec.end());
    arguments.push_back(temporary_);
    Pipe input = makePipe();
    child_.emplace(ffmpeg_, arguments, ChildProcess::Streams{input.read.get(), -1, errors_.fd()});
    input_ = std::move(input.write);
  }

  std::string path_;
  std::string extension_;
  FrameRate fps_;
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

std::unique_ptr<FrameSink> openVideoSink(const OutputSpec& output) {
  return std::make_unique<VideoSink>(output);
}

}  // namespace vantrel
