#include "CliTestSupport.h"

#include <memory>

#include "ChildProcess.h"
#include "FileSystemCalls.h"

namespace vantrel_test {
namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File open(const std::string& path, const char* mode) { return File(vantrel::openFile(path, mode), std::fclose); }

std::string bytesOf(const std::string& path) {
  const std::vector<unsigned char> bytes = readBytes(path);
  return {bytes.begin(), bytes.end()};
}

// Windows' line ends made "\n", as the tests compare.
std::string text(std::string bytes) {
  for (std::size_t at; (at = bytes.find("\r\n")) != std::string::npos;) bytes.erase(at, 1);
  return bytes;
}

}  // namespace

CommandResult runVantrel(const std::vector<std::string>& arguments, const std::string& input) {
  const TempFolder streams;
  const std::string outFile = streams.file("stdout"), errFile = streams.file("stderr");
  int status = -1;
  {
    const File in = input.empty() ? File(nullptr, std::fclose) : open(input, "rb");
    const File out = open(outFile, "wb"), err = open(errFile, "wb");
    if (!out || !err || (!input.empty() && !in)) return {-1, "", "cannot open the run's files", ""};
    vantrel::ChildProcess child(VANTREL_CLI_PATH, arguments, {in ? fileno(in.get()) : -1, fileno(out.get()), fileno(err.get())});
    status = child.wait();
  }
  const std::string out = bytesOf(outFile), err = bytesOf(errFile);
  return {status, text(out), text(err), out};
}

}  // namespace vantrel_test
