#include "StandardStreams.h"

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace vantrel {

bool standardOutputIsTerminal() { return isatty(STDOUT_FILENO); }

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO); }

int duplicateStandardStream(int stream) { return fcntl(stream, F_DUPFD_CLOEXEC, 3); }

std::FILE* ownStandardOutput() {
  const int out = duplicateStandardStream(STDOUT_FILENO);
  if (out < 0) return nullptr;
  std::FILE* file = fdopen(out, "w");
  if (!file) {
    const int error = errno;
    close(out);
    errno = error;
  }
  return file;
}

void setUpProcess() {
  // Every frame allocates and frees blocks of megabytes, on several threads, here and in
  // the OpenGL driver. glibc raises its mmap threshold past such a block once one is freed,
  // and from then on serves them from the heap, which under this pattern grows by about a
  // frame's worth each frame. A fixed threshold keeps them mapped and unmapped: flat memory.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  // A closed standard error (vantrel ... 2>&1 | head -1) must not end a run mid-frame;
  // writes to a closed pipe fail with EPIPE instead, and the frames say so where it counts.
  std::signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> commandLineArguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

}  // namespace vantrel
