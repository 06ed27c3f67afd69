// Programs run as child processes with their standard streams on descriptors of ours;
// no shell is involved, so arguments are passed exactly as given. ChildProcess.cpp for
// POSIX systems, ChildProcessWindows.cpp for Windows, where descriptors are the C
// runtime's and arguments and names are UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

// The executable file `name` (on Windows `name`.exe) in one of PATH's folders, or nothing.
std::optional<std::string> findProgram(const std::string& name);

// The file name of the program `name` in a folder: `name`, or on Windows `name`.exe.
std::string programFileName(const std::string& name);

// How a person gets ffmpeg where it is missing, for the error that says so.
std::string ffmpegInstallHint();

// The name by which a child opens its standard output again when that is a file
// ("/dev/stdout"), or nothing where the system has none.
std::optional<std::string> standardOutputName();

// A descriptor closed by its destructor.
class OwnedFd {
 public:
  OwnedFd() = default;
  explicit OwnedFd(int fd) : fd_(fd) {}
  ~OwnedFd() { reset(); }
  OwnedFd(OwnedFd&& other) noexcept : fd_(other.release()) {}
  OwnedFd& operator=(OwnedFd&& other) noexcept;
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;

  int get() const { return fd_; }
  int release();
  void reset();

 private:
  int fd_ = -1;
};

struct Pipe {
  OwnedFd read;
  OwnedFd write;
};
// A pipe whose ends are closed in child processes (close-on-exec). Throws.
Pipe makePipe();

// Whatever a child writes to its standard error, kept in an anonymous file (on Windows a
// temporary one, deleted when closed), so that a chatty child can never block on a pipe
// nobody reads.
class ErrorCapture {
 public:
  ErrorCapture();  // throws
  int fd() const { return file_.get(); }
  // The last non-empty line written, or empty.
  std::string lastLine() const;
  // Up to `size` bytes from the start of what was written.
  std::string head(std::size_t size) const;

 private:
  // What the system's twins do: the bytes written so far, and up to `size` of them from
  // `offset`, read without moving where the child writes.
  std::uint64_t size() const;
  std::string readAt(std::uint64_t offset, std::size_t size) const;

  OwnedFd file_;
};

class ChildProcess {
 public:
  // Descriptors the child gets as its standard input, output and error; -1 for the null device.
  struct Streams {
    int in = -1;
    int out = -1;
    int err = -1;
  };

  // Starts `program` (a path) with `arguments` (without the program's name). The child
  // gets no other descriptor of ours, default signal handling, and a process group of its
  // own, so that Ctrl-C at a terminal (a console) reaches vantrel alone and vantrel decides
  // when the child stops. Throws std::runtime_error when it cannot start.
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments, Streams streams);
  // Kills and reaps a child not yet waited for, so that none is left behind.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Waits for the child to end. Returns its exit code, or 128 + the signal that ended it.
  int wait();
  // Ends the child at once (SIGKILL; TerminateProcess) and reaps it; nothing when it was
  // already waited for. wait() then returns 137 on either system.
  void kill();

 private:
  std::intptr_t process_ = -1;  // the process id on POSIX, the process handle on Windows
  int status_ = 0;
};

// Ends at once every child still running, so that none outlives a process about to be
// ended at once holding a file open (on Windows, where an open file cannot be removed).
// Nothing on POSIX systems, where such a child ends as its pipes close. Safe to call from
// a console control handler's thread.
void endChildren();

// Runs `program` to its end with its standard error into `errors` and returns the text it
// wrote on standard output, lines ended by "\n"; `status` gets what ChildProcess::wait
// returns. Throws std::runtime_error when it cannot start or its output cannot be read.
std::string outputOf(const std::string& program, const std::vector<std::string>& arguments, const ErrorCapture& errors,
                     int& status);

}  // namespace vantrel
