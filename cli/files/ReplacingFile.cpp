#include "ReplacingFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace vantrel {

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)) {
  if (path_.empty()) throw std::runtime_error("no output file named");
  const std::filesystem::path destination = std::filesystem::u8path(path_);
  std::error_code ignored;  // a path that cannot be examined fails below with its reason
  if (destination.filename().empty() || std::filesystem::is_directory(destination, ignored)) {
    throw failure("it is a folder");
  }
  try {
    temporary_ = std::make_unique<HiddenTemporary>(path_);
    stream_ = temporary_->takeStream();
  } catch (const std::runtime_error& error) {
    temporary_.reset();
    throw failure(error.what());
  }
}

ReplacingFile::~ReplacingFile() { discard(); }

void ReplacingFile::discard() {
  if (stream_) std::fclose(stream_);
  stream_ = nullptr;
  temporary_.reset();
}

void ReplacingFile::commit() {
  if (!stream_) throw failure("the file was already closed");
  int error = 0;
  if (std::fflush(stream_) != 0) error = errno;
  const int closed = std::fclose(stream_);
  stream_ = nullptr;
  if (!error && closed != 0) error = errno;
  if (error) {
    temporary_.reset();
    throw failure(std::strerror(error));
  }
  try {
    temporary_->moveTo(path_);
  } catch (const std::runtime_error& moving) {
    temporary_.reset();
    throw failure(moving.what());
  }
}

std::runtime_error ReplacingFile::failure(const std::string& reason) const {
  return std::runtime_error("cannot write " + path_ + ": " + reason);
}

}  // namespace vantrel
