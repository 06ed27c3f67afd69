#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

namespace vantrel {

// Reports how a run goes: a line on stderr that rewrites itself when stderr is a
// terminal (frame, fps, time left), and ffmpeg-style key=value blocks into a file for
// scripts (--progress FILE).
class ProgressReport {
 public:
  // `total` is 0 when the number of frames is not known ahead.
  ProgressReport(bool terminalLine, const std::string& progressFile, std::size_t total, double fps);
  ~ProgressReport();
  ProgressReport(const ProgressReport&) = delete;
  ProgressReport& operator=(const ProgressReport&) = delete;

  void frameDone();
  // The last block ("progress=end") and the end of the terminal line.
  void finish();

 private:
  void report(bool last);

  bool terminalLine_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
  std::size_t total_;
  double fps_;
  std::size_t done_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastReport_{};
  bool finished_ = false;
};

}  // namespace vantrel
