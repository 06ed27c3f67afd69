// What POSIX systems and Windows share of the process layer.
#include <cstring>
#include <stdexcept>

#include "ChildProcess.h"
#include "FileSystemCalls.h"
#include "PipeIo.h"

namespace vantrel {

OwnedFd& OwnedFd::operator=(OwnedFd&& other) noexcept {
  if (this != &other) {
    reset();
    fd_ = other.release();
  }
  return *this;
}

int OwnedFd::release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

void OwnedFd::reset() {
  if (fd_ >= 0) closeDescriptor(fd_);
  fd_ = -1;
}

std::string ErrorCapture::lastLine() const {
  const std::uint64_t end = size(), start = end > 4096 ? end - 4096 : 0;
  std::string tail = readAt(start, std::size_t(end - start));
  while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r' || tail.back() == ' ')) tail.pop_back();
  const std::size_t newline = tail.find_last_of("\r\n");
  return newline == std::string::npos ? tail : tail.substr(newline + 1);
}

std::string ErrorCapture::head(std::size_t size) const { return readAt(0, size); }

std::string outputOf(const std::string& program, const std::vector<std::string>& arguments, const ErrorCapture& errors,
                     int& status) {
  Pipe output = makePipe();
  ChildProcess child(program, arguments, {-1, output.write.get(), errors.fd()});
  output.write.reset();
  std::string text;
  char buffer[65536];
  int error = 0;
  std::size_t n;
  while ((n = readFully(output.read.get(), buffer, sizeof buffer, &error)) > 0) text.append(buffer, n);
  status = child.wait();
  if (error) throw std::runtime_error("cannot read what " + program + " wrote: " + std::strerror(error));
  // Text, whose lines a Windows program ends with "\r\n".
  std::size_t kept = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' || i + 1 == text.size() || text[i + 1] != '\n') text[kept++] = text[i];
  }
  text.resize(kept);
  return text;
}

}  // namespace vantrel
