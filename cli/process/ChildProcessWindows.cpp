#include "ChildProcess.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "WindowsText.h"

namespace vantrel {
namespace {

std::runtime_error cannotStart(const std::string& program, DWORD error) {
  return std::runtime_error("cannot start " + program + ": " + systemMessage(error));
}

HANDLE handleOf(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

// A handle closed by its destructor.
class OwnedHandle {
 public:
  OwnedHandle() = default;
  ~OwnedHandle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE* out() { return &handle_; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

// One argument as the C runtime (and CommandLineToArgvW) reads it back: always quoted,
// backslashes doubled only where a quote follows them, quotes escaped.
void appendQuoted(std::wstring& line, const std::wstring& argument) {
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    line += c;
    backslashes = 0;
  }
  line.append(2 * backslashes, L'\\');
  line += L'"';
}

// Every child is in this job, which ends them all with vantrel, however it ends.
HANDLE childJob() {
  static const HANDLE job = [] {
    const HANDLE made = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (made) SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return made;
  }();
  return job;
}

// Inheritable handles exist only while this is held, so that a child started by another
// thread cannot take ours along, even where the handle list below is not honoured.
std::mutex starting;

}  // namespace

std::optional<std::string> findProgram(const std::string& name) {
  const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring path(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(L"PATH", path.data(), size);
  path.resize(length < size ? length : 0);  // changed in between: as if unset
  const std::string folders = narrow(path);
  std::size_t start = 0;
  for (;;) {
    const std::size_t semicolon = folders.find(';', start);
    std::string folder = folders.substr(start, semicolon == std::string::npos ? std::string::npos : semicolon - start);
    if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"') {
      folder = folder.substr(1, folder.size() - 2);  // PATH may quote a folder
    }
    if (!folder.empty()) {
      const bool separated = folder.back() == '\\' || folder.back() == '/';
      const std::string candidate = folder + (separated ? "" : "\\") + programFileName(name);
      const DWORD attributes = GetFileAttributesW(wide(candidate).c_str());
      if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return candidate;
    }
    if (semicolon == std::string::npos) return std::nullopt;
    start = semicolon + 1;
  }
}

std::string programFileName(const std::string& name) { return name + ".exe"; }

std::string ffmpegInstallHint() { return "put ffmpeg.exe on PATH, or name it with --ffmpeg"; }

std::optional<std::string> standardOutputName() { return std::nullopt; }

Pipe makePipe() {
  int fds[2];
  if (_pipe(fds, 1 << 20, _O_BINARY | _O_NOINHERIT) != 0) {
    throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(errno));
  }
  return Pipe{OwnedFd(fds[0]), OwnedFd(fds[1])};
}

// Opened for appending only (FILE_APPEND_DATA without FILE_WRITE_DATA), so that every
// write of the child lands at the end whatever the offset our reads leave behind.
ErrorCapture::ErrorCapture() {
  wchar_t folder[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, folder) == 0 || GetTempFileNameW(folder, L"vtl", 0, name) == 0) {
    throw std::runtime_error("cannot make a file for a child's errors: " + systemMessage(GetLastError()));
  }
  const HANDLE file =
      CreateFileW(name, GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    DeleteFileW(name);
    throw std::runtime_error("cannot make a file for a child's errors: " + systemMessage(error));
  }
  file_ = OwnedFd(_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_APPEND | _O_BINARY | _O_NOINHERIT));
  if (file_.get() < 0) {
    CloseHandle(file);
    throw std::runtime_error("cannot make a file for a child's errors: " + std::string(std::strerror(errno)));
  }
}

std::uint64_t ErrorCapture::size() const {
  LARGE_INTEGER size;
  return GetFileSizeEx(handleOf(file_.get()), &size) ? std::uint64_t(size.QuadPart) : 0;
}

std::string ErrorCapture::readAt(std::uint64_t offset, std::size_t size) const {
  std::string text(size, '\0');
  OVERLAPPED at = {};
  at.Offset = DWORD(offset);
  at.OffsetHigh = DWORD(offset >> 32);
  DWORD n = 0;
  if (size == 0 || !ReadFile(handleOf(file_.get()), text.data(), DWORD(size), &n, &at)) n = 0;
  text.resize(n);
  return text;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments, Streams streams) {
  std::wstring line;
  appendQuoted(line, wide(program));
  for (const std::string& argument : arguments) {
    line += L' ';
    appendQuoted(line, wide(argument));
  }

  const std::lock_guard<std::mutex> lock(starting);
  // Inheritable copies made for this child alone, closed once it has them.
  OwnedHandle given[3];
  const int fds[3] = {streams.in, streams.out, streams.err};
  for (int i = 0; i < 3; ++i) {
    if (fds[i] >= 0) {
      const HANDLE ours = handleOf(fds[i]);
      if (ours == INVALID_HANDLE_VALUE) throw cannotStart(program, ERROR_INVALID_HANDLE);
      if (!DuplicateHandle(GetCurrentProcess(), ours, GetCurrentProcess(), given[i].out(), 0, TRUE,
                           DUPLICATE_SAME_ACCESS)) {
        throw cannotStart(program, GetLastError());
      }
    } else {
      SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
      *given[i].out() = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inheritable, OPEN_EXISTING, 0, nullptr);
      if (given[i].get() == INVALID_HANDLE_VALUE) throw cannotStart(program, GetLastError());
    }
  }

  // The child inherits these three and nothing else: not our own standard handles nor any
  // other inheritable handle of the process.
  HANDLE inherited[3] = {given[0].get(), given[1].get(), given[2].get()};
  SIZE_T listSize = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
  std::vector<unsigned char> listMemory(listSize);
  const auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listMemory.data());
  if (!InitializeProcThreadAttributeList(list, 1, 0, &listSize)) throw cannotStart(program, GetLastError());
  struct ListEnd {
    LPPROC_THREAD_ATTRIBUTE_LIST list;
    ~ListEnd() { DeleteProcThreadAttributeList(list); }
  } listEnd{list};
  if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited, nullptr,
                                 nullptr)) {
    throw cannotStart(program, GetLastError());
  }

  STARTUPINFOEXW startup = {};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = inherited[0];
  startup.StartupInfo.hStdOutput = inherited[1];
  startup.StartupInfo.hStdError = inherited[2];
  startup.lpAttributeList = list;
  PROCESS_INFORMATION created = {};
  // A process group of its own, so that Ctrl-C at the console reaches vantrel alone, and
  // no console window for a child of a vantrel started without one.
  const DWORD flags = EXTENDED_STARTUPINFO_PRESENT | CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW;
  if (!CreateProcessW(wide(program).c_str(), line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                      &startup.StartupInfo, &created)) {
    throw cannotStart(program, GetLastError());
  }
  if (const HANDLE job = childJob()) AssignProcessToJobObject(job, created.hProcess);
  CloseHandle(created.hThread);
  process_ = reinterpret_cast<std::intptr_t>(created.hProcess);
}

ChildProcess::~ChildProcess() { kill(); }

void endChildren() {
  const HANDLE job = childJob();
  if (!job || !TerminateJobObject(job, 128 + 9)) return;
  // Their files are closed once they are gone; a second at most.
  for (int i = 0; i < 100; ++i) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting, nullptr) ||
        accounting.ActiveProcesses == 0) {
      return;
    }
    Sleep(10);
  }
}

int ChildProcess::wait() {
  if (process_ > 0) {
    const HANDLE process = reinterpret_cast<HANDLE>(process_);
    DWORD code = 255;
    if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code)) code = 255;
    CloseHandle(process);
    process_ = -1;
    status_ = int(code);
  }
  return status_;
}

void ChildProcess::kill() {
  if (process_ <= 0) return;
  // The status a POSIX child ended by SIGKILL reports, so that callers read both alike.
  TerminateProcess(reinterpret_cast<HANDLE>(process_), 128 + 9);
  wait();
}

}  // namespace vantrel
