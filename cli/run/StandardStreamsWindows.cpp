#include "StandardStreams.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>  // after windows.h, which it needs

#include <cerrno>

#include "WindowsText.h"

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

int duplicateStandardStream(int stream) {
  const int copy = _dup(stream);
  if (copy < 0) return -1;
  // Raw frames are bytes: no "\r\n" for "\n", and no end at a 0x1A.
  _setmode(copy, _O_BINARY);
  SetHandleInformation(reinterpret_cast<HANDLE>(_get_osfhandle(copy)), HANDLE_FLAG_INHERIT, 0);
  return copy;
}

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
  // Messages name files in UTF-8; a console shows them as such.
  SetConsoleOutputCP(CP_UTF8);
}

std::vector<std::string> commandLineArguments(int, char**) {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(narrow(words[i]));
  LocalFree(words);
  return arguments;
}

}  // namespace vantrel
