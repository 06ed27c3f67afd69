#include "ModulePath.h"

#include <cstdlib>
#include <filesystem>

namespace vantrel {

std::string resolveModulePath(const std::string& given) {
  if (!given.empty()) return given;
  if (const char* fromEnvironment = std::getenv("VANTREL_MODULE"); fromEnvironment && *fromEnvironment) {
    return fromEnvironment;
  }
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  const auto folder = error ? std::filesystem::current_path() : self.parent_path();
  return (folder / "QNVantrel.so").string();
}

}  // namespace vantrel
