#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace vantrel {

std::optional<std::string> findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (!path) return std::nullopt;
  const std::string folders = path;
  std::size_t start = 0;
  for (;;) {
    const std::size_t colon = folders.find(':', start);
    std::string folder = folders.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (folder.empty()) folder = ".";
    const std::string candidate = folder + "/" + name;
    struct stat status;
    if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    if (colon == std::string::npos) return std::nullopt;
    start = colon + 1;
  }
}

std::string programFileName(const std::string& name) { return name; }

std::string ffmpegInstallHint() { return "apt-get install ffmpeg"; }

std::optional<std::string> standardOutputName() { return "/dev/stdout"; }

Pipe makePipe() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error(std::string("cannot make a pipe: ") + std::strerror(errno));
  return Pipe{OwnedFd(fds[0]), OwnedFd(fds[1])};
}

ErrorCapture::ErrorCapture() : file_(memfd_create("vantrel-child-stderr", MFD_CLOEXEC)) {
  if (file_.get() < 0) throw std::runtime_error(std::string("cannot make a file for a child's errors: ") + std::strerror(errno));
}

std::uint64_t ErrorCapture::size() const {
  struct stat status;
  return fstat(file_.get(), &status) == 0 ? std::uint64_t(status.st_size) : 0;
}

std::string ErrorCapture::readAt(std::uint64_t offset, std::size_t size) const {
  std::string text(size, '\0');
  const ssize_t n = pread(file_.get(), text.data(), text.size(), off_t(offset));
  text.resize(n > 0 ? std::size_t(n) : 0);
  return text;
}

namespace {

// posix_spawn's file actions and attributes, released by the destructor.
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments, Streams streams) {
  // A descriptor of ours numbered 0 to 2 (when vantrel was started with one of its own
  // standard streams closed) would be overwritten by an earlier dup2 in the child: such
  // ones are copied above 2 first.
  OwnedFd copies[3];
  int given[3] = {streams.in, streams.out, streams.err};
  for (int i = 0; i < 3; ++i) {
    if (given[i] >= 0 && given[i] <= 2) {
      copies[i] = OwnedFd(fcntl(given[i], F_DUPFD_CLOEXEC, 3));
      if (copies[i].get() < 0) throw std::runtime_error(std::string("cannot start ") + program + ": " + std::strerror(errno));
      given[i] = copies[i].get();
    }
  }

  SpawnSetup setup;
  for (int i = 0; i < 3; ++i) {
    if (given[i] >= 0) {
      posix_spawn_file_actions_adddup2(&setup.actions, given[i], i);
    } else {
      posix_spawn_file_actions_addopen(&setup.actions, i, "/dev/null", O_RDWR, 0);
    }
  }
  posix_spawn_file_actions_addclosefrom_np(&setup.actions, 3);

  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGQUIT, SIGHUP}) sigaddset(&defaults, signal);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
  posix_spawnattr_setpgroup(&setup.attributes, 0);
  posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

  std::vector<std::string> argumentStrings;
  argumentStrings.push_back(program);
  argumentStrings.insert(argumentStrings.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : argumentStrings) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_t pid = -1;
  const int error = posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
  if (error != 0) {
    throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
  }
  process_ = pid;
}

ChildProcess::~ChildProcess() { kill(); }

int ChildProcess::wait() {
  if (process_ > 0) {
    int status = 0;
    pid_t result;
    while ((result = waitpid(pid_t(process_), &status, 0)) < 0 && errno == EINTR) {
    }
    process_ = -1;
    if (result < 0) {
      status_ = 255;
    } else {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
  }
  return status_;
}

void endChildren() {}

void ChildProcess::kill() {
  if (process_ <= 0) return;
  ::kill(pid_t(process_), SIGKILL);
  wait();
}

}  // namespace vantrel
