#include "TemporaryFiles.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "FileSystemCalls.h"

namespace vantrel {
namespace {

// Fixed storage: a signal handler (on Windows, the console's control handler, on a thread
// of its own) may come at any moment, so it must find the list whole without locking or
// allocating.
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
  return -1;  // not removed by the handlers, only by its owner
}

void unregisterPath(int& slot) {
  if (slot >= 0) slots[slot].state = kFree;
  slot = -1;
}

// The file that `path` names once the links at its end are followed. An output named by a
// link is the file the link leads to (as it is when told from the inputs): its content is
// replaced and the link kept, and its temporary is made in that file's folder, on that
// file's own file system, where the rename stays atomic.
std::filesystem::path followLinks(std::filesystem::path path) {
  std::error_code error;
  for (int hops = 0; hops < 40 && std::filesystem::is_symlink(path, error); ++hops) {
    const std::filesystem::path target = std::filesystem::read_symlink(path, error);
    if (error) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path;
}

}  // namespace

HiddenTemporary::HiddenTemporary(const std::string& path, const std::string& suffix) {
  const std::filesystem::path destination = followLinks(std::filesystem::u8path(path));
  const std::string start =
      (destination.parent_path() / std::filesystem::u8path("." + destination.filename().u8string() + ".vantrel-")).u8string();
  fd_ = createUniqueFile(start, suffix, path_);
  slot_ = registerPath(path_);
}

HiddenTemporary::~HiddenTemporary() { discard(); }

void HiddenTemporary::discard() {
  if (fd_ >= 0) closeDescriptor(fd_);
  fd_ = -1;
  if (!path_.empty()) removeFile(path_.c_str());
  path_.clear();
  unregisterPath(slot_);
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
    closeDescriptor(fd);
    throw std::runtime_error(std::strerror(error));
  }
  return stream;
}

void HiddenTemporary::moveTo(const std::string& destination) {
  moveFileOver(path_, followLinks(std::filesystem::u8path(destination)).u8string());
  path_.clear();
  unregisterPath(slot_);
}

void removeRegisteredTemporaries() {
  for (Slot& slot : slots) {
    if (slot.state == kReady) removeFile(slot.path);
  }
}

}  // namespace vantrel
