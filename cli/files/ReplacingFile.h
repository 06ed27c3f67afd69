// Writes a file so that readers never see it half-written: the bytes go to a hidden
// temporary file in the destination's folder, which takes the destination's name only
// when commit() succeeds. Destroyed without a commit, it removes the temporary.
#pragma once

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "TemporaryFiles.h"

namespace vantrel {

class ReplacingFile {
 public:
  explicit ReplacingFile(std::string path);  // throws std::runtime_error
  ~ReplacingFile();
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  const std::string& path() const { return path_; }
  std::FILE* stream() { return stream_; }
  // Flushes the bytes to disk and renames the temporary over the destination. Throws
  // std::runtime_error (the temporary removed) when any step fails.
  void commit();
  // "cannot write PATH: reason".
  std::runtime_error failure(const std::string& reason) const;

 private:
  void discard();

  std::string path_;
  std::unique_ptr<HiddenTemporary> temporary_;
  std::FILE* stream_ = nullptr;
};

}  // namespace vantrel
