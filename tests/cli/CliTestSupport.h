// Temporary folders, file bytes and vantrel runs for the command's tests.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel_test {

// A fresh folder, removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    std::uniform_int_distribution<unsigned> letter(0, 25);
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      std::string name = "vantrel-cli-test-";
      for (int i = 0; i < 8; ++i) name += char('a' + letter(random));
      const std::filesystem::path candidate = std::filesystem::temp_directory_path() / name;
      if (std::filesystem::create_directory(candidate)) path_ = candidate;
    }
    if (path_.empty()) throw std::runtime_error("cannot make a temporary folder");
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string file(const std::string& name) const { return (path_ / std::filesystem::u8path(name)).u8string(); }
  // The names in the folder, hidden ones included, in order.
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) found.push_back(entry.path().filename().u8string());
    std::sort(found.begin(), found.end());
    return found;
  }

 private:
  std::filesystem::path path_;
};

inline std::vector<unsigned char> readBytes(const std::string& path) {
  std::ifstream file(std::filesystem::u8path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream file(std::filesystem::u8path(path), std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

struct CommandResult {
  int exitCode;
  std::string out;  // standard output, as text ("\n" for Windows' "\r\n")
  std::string err;  // standard error, as text
};

// Runs the built vantrel with `arguments`, its standard input the null device.
CommandResult runVantrel(const std::vector<std::string>& arguments);

}  // namespace vantrel_test
