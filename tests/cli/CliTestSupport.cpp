#include "CliTestSupport.h"

#include <sys/wait.h>

#include <memory>

namespace vantrel_test {

CommandResult runVantrel(const std::string& arguments, const TempFolder& folder) {
  const std::string errFile = folder.file("stderr.txt");
  const std::string command = std::string(VANTREL_CLI_PATH) + " " + arguments + " 2>" + errFile;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return {-1, "", "popen failed"};
  std::string out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
  const int status = pclose(pipe.release());
  const std::vector<unsigned char> err = readBytes(errFile);
  std::filesystem::remove(errFile);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, std::string(err.begin(), err.end())};
}

CommandResult runVantrel(const std::vector<std::string>& arguments, const TempFolder& folder) {
  std::string line;
  for (const std::string& argument : arguments) {
    std::string quoted = "'";
    for (const char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += (line.empty() ? "" : " ") + quoted + "'";
  }
  return runVantrel(line, folder);
}

}  // namespace vantrel_test
