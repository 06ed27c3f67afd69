// Temporary folders, PNG bytes and vantrel runs for the command's tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace vantrel_test {

// A fresh folder, removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-cli-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string file(const std::string& name) const { return (path_ / name).string(); }
  // The names in the folder, hidden ones included.
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) found.push_back(entry.path().filename());
    return found;
  }

 private:
  std::filesystem::path path_;
};

inline std::vector<unsigned char> readBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// What a shell command writes on its standard output.
inline std::string commandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[4096];
  std::size_t n;
  while (pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  return out;
}

struct CommandResult {
  int exitCode;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the built vantrel with `arguments` (already quoted for the shell); standard
// error goes through a file in `folder`.
inline CommandResult runVantrel(const std::string& arguments, const TempFolder& folder) {
  const std::string errFile = folder.file("stderr.txt");
  const std::string command = std::string(VANTREL_CLI_PATH) + " " + arguments + " 2>" + errFile;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return {-1, "", "popen failed"};
  std::string out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  const int status = pclose(pipe.release());
  const std::vector<unsigned char> err = readBytes(errFile);
  std::filesystem::remove(errFile);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, std::string(err.begin(), err.end())};
}

}  // namespace vantrel_test
