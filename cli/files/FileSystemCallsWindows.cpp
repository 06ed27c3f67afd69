#include "FileSystemCalls.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace vantrel {
namespace {

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

int createUniqueFile(const std::string& start, const std::string& suffix, std::string& path) {
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
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
      CloseHandle(file);
      DeleteFileA(name.c_str());
      throw std::runtime_error("cannot open the temporary file");
    }
    path = name;
    return fd;
  }
  throw std::runtime_error(systemMessage(ERROR_FILE_EXISTS));
}

void closeDescriptor(int fd) { _close(fd); }

void removeFile(const char* path) { DeleteFileA(path); }

void moveFileOver(const std::string& from, const std::string& to) {
  if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    throw std::runtime_error(systemMessage(GetLastError()));
  }
}

}  // namespace vantrel
