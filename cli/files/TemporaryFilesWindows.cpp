#include "TemporaryFiles.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace vantrel {
namespace {

// Fixed storage: the console's control handler, on a thread of its own, may come at any
// moment, so it must find the list whole without locking or allocating.
enum : int { kFree, kFilling, kReady };
constexpr int kSlots = 160;  // more than the files a run has open at once (64 writers at most)
struct Slot {
  std::atomic<int> state{kFree};
  char path[MAX_PATH * 4];
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
  return -1;  // not removed by the control handler, only by its owner
}

// The system's text for an error code, on one line: "Access denied".
std::string systemMessage(DWORD error) {
  char text[512] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                                      0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.' ||
                              message.back() == ' ')) {
    message.pop_back();
  }
  return message.empty() ? "system error " + std::to_string(error) : message;
}

// Six letters or digits that differ from call to call and from process to process.
std::string uniqueLetters() {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::atomic<unsigned long long> calls{0};
  unsigned long long mixed = (calls++ * 0x9E3779B97F4A7C15ull) ^ (GetTickCount64() << 20) ^ GetCurrentProcessId();
  std::string letters;
  for (int i = 0; i < 6; ++i) {
    mixed ^= mixed >> 29;
    mixed *= 0xBF58476D1CE4E5B9ull;
    letters += kAlphabet[(mixed >> 32) % (sizeof kAlphabet - 1)];
  }
  return letters;
}

}  // namespace

HiddenTemporary::HiddenTemporary(const std::string& path, const std::string& suffix) {
  const std::filesystem::path destination(path);
  const std::string start = (destination.parent_path() / ("." + destination.filename().string() + ".vantrel-")).string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = start + uniqueLetters() + suffix;
    // Shared for deletion, so that the control handler can remove it while it is open.
    const HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS) continue;
      throw std::runtime_error(systemMessage(error));
    }
    fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd_ < 0) {
      CloseHandle(file);
      DeleteFileA(name.c_str());
      throw std::runtime_error("cannot open the temporary file");
    }
    path_ = name;
    slot_ = registerPath(path_);
    return;
  }
  throw std::runtime_error(systemMessage(ERROR_FILE_EXISTS));
}

HiddenTemporary::~HiddenTemporary() { discard(); }

void HiddenTemporary::discard() {
  if (fd_ >= 0) _close(fd_);
  fd_ = -1;
  if (!path_.empty()) DeleteFileA(path_.c_str());
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
  std::FILE* stream = _fdopen(fd, "wb");
  if (!stream) {
    const int error = errno;
    _close(fd);
    throw std::runtime_error(std::strerror(error));
  }
  return stream;
}

void HiddenTemporary::moveTo(const std::string& destination) {
  if (!MoveFileExA(path_.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    throw std::runtime_error(systemMessage(GetLastError()));
  }
  path_.clear();
  if (slot_ >= 0) slots[slot_].state = kFree;
  slot_ = -1;
}

void removeRegisteredTemporaries() {
  for (Slot& slot : slots) {
    if (slot.state == kReady) DeleteFileA(slot.path);
  }
}

}  // namespace vantrel
