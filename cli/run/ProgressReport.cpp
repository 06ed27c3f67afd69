#include "ProgressReport.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "FileSystemCalls.h"
#include "StandardStreams.h"

namespace vantrel {
namespace {

constexpr auto kInterval = std::chrono::milliseconds(250);

std::string clock(double seconds) {
  const long whole = long(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
  return text;
}

std::FILE* openProgressFile(const std::string& path) {
  if (path.empty()) return nullptr;
  // Standard output through a stream of its own, which the effect's diagnostics,
  // diverted from standard output for the run, leave alone.
  std::FILE* file = path == "-" ? ownStandardOutput() : openFile(path, "w");
  if (!file) throw std::runtime_error("cannot write progress to " + path + ": " + std::strerror(errno));
  return file;
}

}  // namespace

ProgressReport::ProgressReport(bool terminalLine, const std::string& progressFile, std::size_t total, double fps)
    : terminalLine_(terminalLine), file_(openProgressFile(progressFile), std::fclose), total_(total), fps_(fps) {}

ProgressReport::~ProgressReport() {
  if (terminalLine_ && done_ > 0 && !finished_) std::fputc('\n', stderr);
}

void ProgressReport::frameDone() {
  ++done_;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastReport_ < kInterval) return;
  lastReport_ = now;
  report(false);
}

void ProgressReport::finish() {
  if (finished_) return;
  report(true);
  finished_ = true;
  if (terminalLine_ && done_ > 0) std::fputc('\n', stderr);
}

void ProgressReport::report(bool last) {
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double rate = elapsed > 0 ? double(done_) / elapsed : 0;
  if (terminalLine_ && done_ > 0) {
    std::string line = "frame " + std::to_string(done_);
    if (total_ > 0) line += "/" + std::to_string(total_);
    char speed[32];
    std::snprintf(speed, sizeof speed, "  %.1f fps", rate);
    line += speed;
    if (total_ > 0 && rate > 0) line += "  " + clock(double(total_ - std::min(done_, total_)) / rate) + " left";
    std::fprintf(stderr, "\r%-60s", line.c_str());
    std::fflush(stderr);
  }
  if (file_) {
    // The frames' span to the nearest microsecond, and as a clock with two-digit hours, as
    // ffmpeg's own -progress gives them.
    const long long us = std::llround(double(done_) / fps_ * 1e6);
    const long long seconds = us / 1000000;
    std::fprintf(file_.get(),
                 "frame=%zu\nfps=%.2f\ntotal_frames=%zu\nout_time_us=%lld\nout_time=%02lld:%02lld:%02lld.%06lld\n"
                 "elapsed=%.3f\nprogress=%s\n",
                 done_, rate, total_, us, seconds / 3600, seconds / 60 % 60, seconds % 60, us % 1000000, elapsed,
                 last ? "end" : "continue");
    std::fflush(file_.get());
  }
}

}  // namespace vantrel
