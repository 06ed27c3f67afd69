#include "ReplacingFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace vantrel {
namespace {

mode_t currentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)) {
  if (path_.empty()) throw std::runtime_error("no output file named");
  const std::filesystem::path destination(path_);
  const std::string name = destination.filename().string();
  std::error_code ignored;  // a path that cannot be examined fails below with its reason
  if (name.empty() || std::filesystem::is_directory(destination, ignored)) throw failure("it is a folder");
  temporaryPath_ = (destination.parent_path() / ("." + name + ".vantrel-XXXXXX")).string();

  std::vector<char> pattern(temporaryPath_.begin(), temporaryPath_.end());
  pattern.push_back('\0');
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw failure(std::strerror(errno));
  temporaryPath_.assign(pattern.data());
  registered_ = std::make_unique<RegisteredTemporary>(temporaryPath_);
  // mkstemp makes the file private; the result gets the permissions of any new file.
  if (fchmod(fd, 0666 & ~currentUmask()) != 0 || (stream_ = fdopen(fd, "wb")) == nullptr) {
    const int error = errno;
    close(fd);
    std::remove(temporaryPath_.c_str());
    throw failure(std::strerror(error));
  }
}

ReplacingFile::~ReplacingFile() { discard(); }

void ReplacingFile::discard() {
  if (!stream_) return;
  std::fclose(stream_);
  stream_ = nullptr;
  std::remove(temporaryPath_.c_str());
  registered_.reset();
}

void ReplacingFile::commit() {
  if (!stream_) throw failure("the file was already closed");
  int error = 0;
  if (std::fflush(stream_) != 0) error = errno;
  const int closed = std::fclose(stream_);
  stream_ = nullptr;
  if (!error && closed != 0) error = errno;
  if (!error && std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) error = errno;
  registered_.reset();
  if (error) {
    std::remove(temporaryPath_.c_str());
    throw failure(std::strerror(error));
  }
}

std::runtime_error ReplacingFile::failure(const std::string& reason) const {
  return std::runtime_error("cannot write " + path_ + ": " + reason);
}

}  // namespace vantrel
