#include "FileIdentities.h"

#include <sys/stat.h>

namespace vantrel {

void FileIdentities::add(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) == 0) ids_.insert({std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)});
}

bool FileIdentities::holds(const std::string& path) const {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && ids_.count({std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)}) > 0;
}

}  // namespace vantrel
