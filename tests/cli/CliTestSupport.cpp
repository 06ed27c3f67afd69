#include "CliTestSupport.h"

#include <memory>

#include "ChildProcess.h"
#include "FileSystemCalls.h"

namespace vantrel_test {
namespace {

// The file's text with Windows' line ends made "\n", as the tests compare.
std::string textOf(const std::string& path) {
  const std::vector<unsigned char> bytes = readBytes(path);
  std::string text(bytes.begin(), bytes.end());
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  return text;
}

}  // namespace

CommandResult runVantrel(const std::vector<std::string>& arguments) {
  const TempFolder streams;
  const std::string outFile = streams.file("stdout"), errFile = streams.file("stderr");
  using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
  const File out(vantrel::openFile(outFile, "wb"), std::fclose), err(vantrel::openFile(errFile, "wb"), std::fclose);
  if (!out || !err) return {-1, "", "cannot open the run's files"};
  const int status = vantrel::ChildProcess(VANTREL_CLI_PATH, arguments, {-1, fileno(out.get()), fileno(err.get())}).wait();
  return {status, textOf(outFile), textOf(errFile)};
}

}  // namespace vantrel_test
