// The process tests' child: it copies its input to its output ("copy"), writes its arguments each
// ended by a zero byte ("args"), writes lines to stderr and exits ("fail CODE LINE..."), or sleeps.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int run(const std::vector<std::string>& arguments) {
  const std::string mode = arguments.size() > 1 ? arguments[1] : "";
  static char buffer[65536];
  for (std::size_t n; mode == "copy" && (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) {
    std::fwrite(buffer, 1, n, stdout);
  }
  for (std::size_t i = 2; mode == "args" && i < arguments.size(); ++i) {
    std::fwrite(arguments[i].c_str(), 1, arguments[i].size() + 1, stdout);
  }
  for (std::size_t i = 3; mode == "fail" && i < arguments.size(); ++i) {
    std::fprintf(stderr, "%s\n", arguments[i].c_str());
  }
  if (mode == "stall") std::this_thread::sleep_for(std::chrono::seconds(30));
  return mode == "fail" ? std::atoi(arguments.at(2).c_str()) : 0;
}

}  // namespace

#ifdef _WIN32
// The C runtime's own reading of the command line, in UTF-16, and its streams untranslated.
int wmain(int count, wchar_t** given) {
  for (int fd = 0; fd < 3; ++fd) _setmode(fd, _O_BINARY);
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(std::filesystem::path(given[i]).u8string());
  return run(arguments);
}
#else
int main(int count, char** given) { return run({given, given + count}); }
#endif
