// Files told apart by device and inode, so that another spelling of a path, or a link to
// a file, is the same file.
#pragma once

#include <sys/types.h>

#include <set>
#include <string>
#include <utility>

namespace vantrel {

class FileIdentities {
 public:
  // Nothing for a path that names no file (yet).
  void add(const std::string& path);
  bool holds(const std::string& path) const;

 private:
  std::set<std::pair<dev_t, ino_t>> ids_;
};

}  // namespace vantrel
