#include "ModulePath.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace vantrel {
namespace {

// The folder of vantrel.exe, or the current folder when its name cannot be had.
std::filesystem::path executableFolder() {
  std::vector<char> name(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, name.data(), DWORD(name.size()));
    if (length == 0) return std::filesystem::current_path();
    if (length < name.size()) return std::filesystem::path(std::string(name.data(), length)).parent_path();
    name.resize(name.size() * 2);  // cut short: a longer name than the buffer holds
  }
}

}  // namespace

std::string resolveModulePath(const std::string& given) {
  if (!given.empty()) return given;
  if (const char* fromEnvironment = std::getenv("VANTREL_MODULE"); fromEnvironment && *fromEnvironment) {
    return fromEnvironment;
  }
  return (executableFolder() / "QNVantrel.aex").string();
}

}  // namespace vantrel
