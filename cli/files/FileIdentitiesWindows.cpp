#include "FileIdentities.h"

#include <windows.h>

#include <optional>

#include "WindowsText.h"

namespace vantrel {
namespace {

// The volume's serial number and the file's index on it, or nothing for a path that names
// no file. Opened for no access at all, so that a file another program has open is still
// identified; a folder needs backup semantics to be opened.
std::optional<std::pair<std::uint64_t, std::uint64_t>> identityOf(const std::string& path) {
  const HANDLE file = CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information;
  const bool known = GetFileInformationByHandle(file, &information) != 0;
  CloseHandle(file);
  if (!known) return std::nullopt;
  return std::make_pair(std::uint64_t(information.dwVolumeSerialNumber),
                        std::uint64_t(information.nFileIndexHigh) << 32 | information.nFileIndexLow);
}

}  // namespace

void FileIdentities::add(const std::string& path) {
  if (const auto identity = identityOf(path)) ids_.insert(*identity);
}

bool FileIdentities::holds(const std::string& path) const {
  const auto identity = identityOf(path);
  return identity && ids_.count(*identity) > 0;
}

}  // namespace vantrel
