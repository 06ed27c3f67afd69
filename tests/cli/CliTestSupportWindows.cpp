#include "CliTestSupport.h"

#include <windows.h>

#include <algorithm>

namespace vantrel_test {
namespace {

HANDLE inheritableHandle(const std::string& path, bool writing) {
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
  return CreateFileA(path.c_str(), writing ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     &attributes, writing ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// An argument as the C runtime splits a command line back: backslashes are doubled only
// before a quote.
std::string commandLineWord(const std::string& argument) {
  std::string text = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    text.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    text += c;
  }
  text.append(backslashes * 2, '\\');
  return text + "\"";
}

// The file's text with Windows' line ends made "\n", as the tests compare; the file is
// removed.
std::string takeText(const std::string& path) {
  const std::vector<unsigned char> bytes = readBytes(path);
  std::filesystem::remove(path);
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += char(bytes[i]);
  }
  return text;
}

}  // namespace

CommandResult runVantrel(const std::string& arguments, const TempFolder& folder) {
  std::string program = VANTREL_CLI_PATH;
  std::replace(program.begin(), program.end(), '/', '\\');
  std::string line = commandLineWord(program) + " " + arguments;
  const std::string outFile = folder.file("stdout.txt"), errFile = folder.file("stderr.txt");
  const HANDLE in = inheritableHandle("NUL", false), out = inheritableHandle(outFile, true),
               err = inheritableHandle(errFile, true);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const bool started =
      CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process) != 0;
  for (const HANDLE handle : {in, out, err}) CloseHandle(handle);
  DWORD exitCode = DWORD(-1);
  if (started) {
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  const std::string outText = takeText(outFile), errText = takeText(errFile);
  if (!started) return {-1, "", "cannot start " + program};
  return {int(exitCode), outText, errText};
}

CommandResult runVantrel(const std::vector<std::string>& arguments, const TempFolder& folder) {
  std::string line;
  for (const std::string& argument : arguments) line += (line.empty() ? "" : " ") + commandLineWord(argument);
  return runVantrel(line, folder);
}

}  // namespace vantrel_test
