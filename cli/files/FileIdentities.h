// Files told apart by the system's own identity of a file (device and inode; volume and
// file index), so that another spelling of a path, or a link to a file, is the same file.
#pragma once

#include <cstdint>
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
  std::set<std::pair<std::uint64_t, std::uint64_t>> ids_;  // device, file
};

}  // namespace vantrel
