#include "TemporaryFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace vantrel {
namespace {

// Fixed storage: a signal handler may not allocate or lock.
enum : int { kFree, kFilling, kReady };
constexpr int kSlots = 160;  // more than the files a run has open at once (64 writers at most)
struct Slot {
  std::atomic<int> state{kFree};
  char path[4096];
};
Slot slots[kSlots];

int registerPath(const std::string& path) {
  if (path.size() >= sizeof slots[0].path) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (slots[i].state.compare_exchange_strong(expected, kFilling)) {
      std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
      slots[i].state = kReady;
      return i;
    }
  }
  return -1;  // not removed by a signal, only by its owner
}

mode_t currentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

HiddenTemporary::HiddenTemporary(const std::string& path, const std::string& suffix) {
  const std::filesystem::path destination(path);
  const std::string name = (destination.parent_path() / ("." + destination.filename().string() + ".vantrel-XXXXXX")).string();
  std::vector<char> pattern(name.begin(), name.end());
  pattern.insert(pattern.end(), suffix.begin(), suffix.end());
  pattern.push_back('\0');
  fd_ = mkstemps(pattern.data(), int(suffix.size()));
  if (fd_ < 0) throw std::runtime_error(std::strerror(errno));
  path_ = pattern.data();
  slot_ = registerPath(path_);
  // mkstemps makes the file private; the result gets the permissions of any new file.
  if (fchmod(fd_, 0666 & ~currentUmask()) != 0) {
    const int error = errno;
    discard();
    throw std::runtime_error(std::strerror(error));
  }
}

HiddenTemporary::~HiddenTemporary() { discard(); }

void HiddenTemporary::discard() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!path_.empty()) std::remove(path_.c_str());
  path_.clear();
  if (slot_ >= 0) slots[slot_].state = kFree;
  slot_ = -1;
}

int HiddenTemporary::takeDescriptor() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

std::FILE* HiddenTemporary::takeStream() {
  const int fd = takeDescriptor();
  std::FILE* stream = fdopen(fd, "wb");
  if (!stream) {
    const int error = errno;
    close(fd);
    throw std::runtime_error(std::strerror(error));
  }
  return stream;
}

void HiddenTemporary::moveTo(const std::string& destination) {
  if (std::rename(path_.c_str(), destination.c_str()) != 0) throw std::runtime_error(std::strerror(errno));
  path_.clear();
  if (slot_ >= 0) slots[slot_].state = kFree;
  slot_ = -1;
}

void removeRegisteredTemporaries() {
  for (Slot& slot : slots) {
    if (slot.state == kReady) unlink(slot.path);
  }
}

}  // namespace vantrel
