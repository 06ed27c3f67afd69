#include "FileSystemCalls.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace vantrel {
namespace {

mode_t currentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

int createUniqueFile(const std::string& start, const std::string& suffix, std::string& path) {
  std::string pattern = start + "XXXXXX" + suffix;
  const int fd = mkstemps(pattern.data(), int(suffix.size()));
  if (fd < 0) throw std::runtime_error(std::strerror(errno));
  // mkstemps makes the file private; the result gets the permissions of any new file.
  if (fchmod(fd, 0666 & ~currentUmask()) != 0) {
    const int error = errno;
    close(fd);
    unlink(pattern.c_str());
    throw std::runtime_error(std::strerror(error));
  }
  path = pattern;
  return fd;
}

std::FILE* openFile(const std::string& path, const char* mode) { return std::fopen(path.c_str(), mode); }

void closeDescriptor(int fd) { close(fd); }

void removeFile(const char* path) { unlink(path); }

void moveFileOver(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) throw std::runtime_error(std::strerror(errno));
}

}  // namespace vantrel
