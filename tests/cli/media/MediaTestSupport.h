// Pictures, frame comparisons and child runs for the frame source and sink tests.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "FrameIo.h"

namespace vantrel_test {

inline vantrel::InputSpec inputOf(const std::string& path, std::vector<long> frames = {}) {
  vantrel::InputSpec input;
  input.path = path;
  input.frames = std::move(frames);
  return input;
}

inline vantrel::OutputSpec outputOf(const std::string& path, double fps = 24, bool noClobber = false) {
  vantrel::OutputSpec output;
  output.path = path;
  output.fps = vantrel::frameRateOf(fps);
  output.noClobber = noClobber;
  return output;
}

// A smooth picture, so that lossy codecs keep it close; `seed` tells frames apart.
inline vantrel::RgbaImage smoothPicture(std::uint32_t width, std::uint32_t height, int seed = 0) {
  vantrel::RgbaImage image(width, height);
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint8_t* p = image.pixel(x, y);
      p[0] = std::uint8_t(x * 255 / width);
      p[1] = std::uint8_t(y * 255 / height);
      p[2] = std::uint8_t(40 + seed * 40);
      p[3] = 255;
    }
  }
  return image;
}

// Every byte different from its neighbours, alpha included: for lossless paths.
inline vantrel::RgbaImage noisyPicture(std::uint32_t width, std::uint32_t height, int seed = 0) {
  vantrel::RgbaImage image(width, height);
  for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = std::uint8_t((i * 37 + i / 7 + seed * 11) % 256);
  return image;
}

// The mean of |a - b| over the colour channels.
inline double meanColourDifference(const vantrel::RgbaImage& a, const vantrel::RgbaImage& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.rgba.size(); i += 4) {
    for (std::size_t c = 0; c < 3; ++c) sum += std::abs(int(a.rgba[i + c]) - int(b.rgba[i + c]));
  }
  return sum / double(a.rgba.size() / 4 * 3);
}

inline std::vector<vantrel::RgbaImage> readAll(vantrel::FrameSource& source) {
  std::vector<vantrel::RgbaImage> frames;
  while (std::optional<vantrel::RgbaImage> frame = source.next()) frames.push_back(std::move(*frame));
  return frames;
}

// Runs `body` in a child process (for what happens once per process) and returns what
// it wrote to standard error; the exit code is 0 when `body` returned.
inline CommandResult runInChild(const TempFolder& folder, const std::function<void()>& body) {
  const std::string errFile = folder.file("child-stderr.txt");
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, STDERR_FILENO);
    int code = 0;
    try {
      body();
    } catch (...) {
      code = 1;
    }
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const std::vector<unsigned char> err = readBytes(errFile);
  std::filesystem::remove(errFile);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", std::string(err.begin(), err.end())};
}

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// The message of the std::runtime_error `body` throws, or "(nothing thrown)".
inline std::string errorOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "(nothing thrown)";
}

}  // namespace vantrel_test
