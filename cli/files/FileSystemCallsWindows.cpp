#include "FileSystemCalls.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "WindowsText.h"

namespace vantrel {
namespace {

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

std::FILE* openFile(const std::string& path, const char* mode) {
  return _wfopen(wide(path).c_str(), wide(mode).c_str());
}

int createUniqueFile(const std::string& start, const std::string& suffix, std::string& path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = start + uniqueLetters() + suffix;
    // Shared for deletion, so that the control handler can remove it while it is open.
    const HANDLE file = CreateFileW(wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS) continue;
      throw std::runtime_error(systemMessage(error));
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
      CloseHandle(file);
      DeleteFileW(wide(name).c_str());
      throw std::runtime_error("cannot open the temporary file");
    }
    path = name;
    return fd;
  }
  throw std::runtime_error(systemMessage(ERROR_FILE_EXISTS));
}

void closeDescriptor(int fd) { _close(fd); }

void removeFile(const char* path) { DeleteFileW(wide(path).c_str()); }

void moveFileOver(const std::string& from, const std::string& to) {
  if (!MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    throw std::runtime_error(systemMessage(GetLastError()));
  }
}

}  // namespace vantrel
