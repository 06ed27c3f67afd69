#include "PipeIo.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

namespace vantrel {
namespace {

class SigpipeBlocked {
 public:
  SigpipeBlocked() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
    sigset_t pending;
    sigpending(&pending);
    // A SIGPIPE already pending, or blocked by the caller, is not ours to take.
    takeBack_ = !sigismember(&previous_, SIGPIPE) && !sigismember(&pending, SIGPIPE);
  }
  ~SigpipeBlocked() {
    if (takeBack_) {
      sigset_t pending;
      sigpending(&pending);
      if (sigismember(&pending, SIGPIPE)) {
        const timespec noWait{0, 0};
        while (sigtimedwait(&pipe_, nullptr, &noWait) < 0 && errno == EINTR) {
        }
      }
    }
    pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
  }
  SigpipeBlocked(const SigpipeBlocked&) = delete;
  SigpipeBlocked& operator=(const SigpipeBlocked&) = delete;

 private:
  sigset_t pipe_;
  sigset_t previous_;
  bool takeBack_ = false;
};

}  // namespace

std::size_t readFully(int fd, void* data, std::size_t size, int* error) {
  auto* bytes = static_cast<std::uint8_t*>(data);
  std::size_t done = 0;
  *error = 0;
  while (done < size) {
    const ssize_t n = read(fd, bytes + done, size - done);
    if (n > 0) {
      done += std::size_t(n);
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      *error = errno;
      break;
    }
  }
  return done;
}

int writeFully(int fd, const void* data, std::size_t size) {
  const SigpipeBlocked blocked;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, bytes + done, size - done);
    if (n >= 0) {
      done += std::size_t(n);
    } else if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

}  // namespace vantrel
