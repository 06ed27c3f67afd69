#include "PipeIo.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

// ReadFile and WriteFile on the descriptor's handle rather than _read and _write: the C
// runtime would translate text on a descriptor left in text mode (the standard streams),
// and it reports a pipe whose reader has gone (ERROR_NO_DATA) as EINVAL, not EPIPE.

namespace vantrel {
namespace {

constexpr std::size_t kMostPerCall = std::size_t(1) << 30;  // ReadFile and WriteFile count in DWORDs

int errnoFor(DWORD error) {
  switch (error) {
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
      return EPIPE;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_INVALID_HANDLE:
    case ERROR_ACCESS_DENIED:
      return EBADF;
    default:
      return EIO;
  }
}

HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

// After a read of 0 bytes from a pipe: whether that was a write of nothing, with more to
// come, rather than the end. A Windows pipe's writer may write nothing, which reads as 0
// bytes, and its end is the writer gone (ReadFile fails with ERROR_BROKEN_PIPE, and so does
// PeekNamedPipe once what is left has been read). But a pipe that is no Windows pipe, as
// Wine gives a program for a POSIX pipe on its standard input (cat frames | wine
// vantrel.exe ...), reads as 0 bytes at its end, for ever, and PeekNamedPipe fails on it
// (ERROR_NOT_SUPPORTED): there 0 bytes is the end, as read() has it.
bool writerStillThere(HANDLE pipe) { return PeekNamedPipe(pipe, nullptr, 0, nullptr, nullptr, nullptr) != 0; }

}  // namespace

std::size_t readFully(int fd, void* data, std::size_t size, int* error) {
  auto* bytes = static_cast<std::uint8_t*>(data);
  std::size_t done = 0;
  *error = 0;
  const HANDLE handle = handleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) {
    *error = EBADF;
    return 0;
  }
  const bool pipe = GetFileType(handle) == FILE_TYPE_PIPE;
  while (done < size) {
    DWORD n = 0;
    if (!ReadFile(handle, bytes + done, DWORD(std::min(size - done, kMostPerCall)), &n, nullptr)) {
      const DWORD failure = GetLastError();
      if (failure != ERROR_BROKEN_PIPE && failure != ERROR_HANDLE_EOF) *error = errnoFor(failure);
      break;
    }
    if (n == 0 && !(pipe && writerStillThere(handle))) break;
    done += n;
  }
  return done;
}

int writeFully(int fd, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::size_t done = 0;
  const HANDLE handle = handleOf(fd);
  if (handle == INVALID_HANDLE_VALUE) return EBADF;
  while (done < size) {
    DWORD n = 0;
    if (!WriteFile(handle, bytes + done, DWORD(std::min(size - done, kMostPerCall)), &n, nullptr)) {
      return errnoFor(GetLastError());
    }
    done += n;
  }
  return 0;
}

}  // namespace vantrel
