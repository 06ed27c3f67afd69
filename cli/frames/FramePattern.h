// A numbered sequence of files named by one pattern: printf's "%d" or "%04d", or a run of
// hashes, "####", as wide as the run, in the file name ("shot_%04d.png" names
// shot_0001.png, shot_0002.png...). Any other '%' or '#'-free name is one file.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vantrel {

class FramePattern {
 public:
  // The pattern in `path`'s file name, or nothing when the name holds no number field
  // (the folder part is taken as it is written). Throws std::runtime_error for a name
  // with two number fields or a field wider than 18 digits.
  static std::optional<FramePattern> find(const std::string& path);

  const std::string& text() const { return text_; }
  // The file of frame `number`, zero-padded to the field's width as printf pads.
  std::string path(long number) const;
  // The numbers of the files in the pattern's folder whose names the pattern makes, in
  // increasing order. An unreadable or missing folder holds none.
  std::vector<long> existingNumbers() const;

 private:
  FramePattern() = default;

  std::string text_;
  std::string folder_;  // with its trailing separator, or empty for the current folder
  std::string prefix_;
  std::string suffix_;
  int width_ = 0;  // 0: as many digits as the number needs
};

}  // namespace vantrel
