#include "ModulePath.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace vantrel {
namespace {

// The folder of vantrel.exe, or the current folder when its name cannot be had.
std::filesystem::path executableFolder() {
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), DWORD(name.size()));
    if (length == 0) return std::filesystem::current_path();
    if (length < name.size()) return std::filesystem::path(std::wstring(name.data(), length)).parent_path();
    name.resize(name.size() * 2);  // cut short: a longer name than the buffer holds
  }
}

}  // namespace

std::string resolveModulePath(const std::string& given) {
  if (!given.empty()) return given;
  if (const wchar_t* fromEnvironment = _wgetenv(L"VANTREL_MODULE"); fromEnvironment && *fromEnvironment) {
    return std::filesystem::path(fromEnvironment).u8string();
  }
  return (executableFolder() / "QNVantrel.aex").u8string();
}

}  // namespace vantrel
