#include "StandardStreams.h"

#include <io.h>
#include <windows.h>

#include <cerrno>

namespace vantrel {
namespace {

// A console, not a file, pipe or NUL (which the C runtime's _isatty takes for a terminal).
bool isConsole(DWORD stream) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

}  // namespace

bool standardOutputIsTerminal() { return isConsole(STD_OUTPUT_HANDLE); }

bool standardErrorIsTerminal() { return isConsole(STD_ERROR_HANDLE); }

std::FILE* ownStandardOutput() {
  const int out = _dup(_fileno(stdout));
  if (out < 0) return nullptr;
  std::FILE* file = _fdopen(out, "w");
  if (!file) {
    const int error = errno;
    _close(out);
    errno = error;
  }
  return file;
}

void setUpProcess() {
  // A module that fails to load, or a crash, is reported on the command line, not in a
  // dialog box that waits for someone to close it.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

}  // namespace vantrel
