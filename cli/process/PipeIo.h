// Whole-buffer reads and writes on file descriptors that may be pipes.
#pragma once

#include <cstddef>

namespace vantrel {

// Reads until `size` bytes are in or the input ends, retrying interrupted reads. Returns
// the count read; on a read error returns it too and sets `*error` to errno (else 0).
std::size_t readFully(int fd, void* data, std::size_t size, int* error);

// Writes all `size` bytes, retrying interrupted and partial writes. Returns 0 or errno.
// A pipe whose reader has gone gives EPIPE rather than killing the process: SIGPIPE is
// blocked in the calling thread while it writes, and one it raised is taken back before
// the thread's signal mask is restored.
int writeFully(int fd, const void* data, std::size_t size);

}  // namespace vantrel
