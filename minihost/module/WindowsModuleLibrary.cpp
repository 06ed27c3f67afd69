#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <filesystem>

#include "HostError.h"
#include "ModuleLibrary.h"

namespace minihost {
namespace {

constexpr WORD kPiplId = 16000;
constexpr WORD kPiplLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);  // 0x0409

// The system's text for the calling thread's last error, without its line break.
std::string lastErrorText() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length ? std::string(text, length) : "error " + std::to_string(code);
  LocalFree(text);
  message.erase(message.find_last_not_of(" \r\n.") + 1);
  return message;
}

}  // namespace

std::vector<std::uint8_t> readPiplBytes(const std::string& path) {
  // Mapped as data: nothing of the module runs, and its imports are not loaded.
  const HMODULE file = LoadLibraryExW(std::filesystem::u8path(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!file) throw HostError(path + ": cannot open the module file (" + lastErrorText() + ")");
  std::vector<std::uint8_t> bytes;
  const HRSRC resource = FindResourceExA(file, "PIPL", MAKEINTRESOURCEA(kPiplId), kPiplLanguage);
  const HGLOBAL loaded = resource ? LoadResource(file, resource) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (data) {
    const auto* begin = static_cast<const std::uint8_t*>(data);
    bytes.assign(begin, begin + SizeofResource(file, resource));
  }
  FreeLibrary(file);
  if (!data) throw HostError(path + ": no PIPL resource " + std::to_string(kPiplId));
  return bytes;
}

void* openLibrary(const std::string& path) {
  HMODULE library = LoadLibraryW(std::filesystem::u8path(path).c_str());
  if (!library) throw HostError("cannot load effect: " + path + ": " + lastErrorText());
  // Pinned: no FreeLibrary unloads it any more, as RTLD_NODELETE does on Linux.
  HMODULE pinned = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<const char*>(library), &pinned)) {
    const std::string reason = lastErrorText();
    FreeLibrary(library);
    throw HostError("cannot load effect: " + path + ": cannot keep it loaded (" + reason + ")");
  }
  return library;
}

void* findSymbol(void* library, const std::string& name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

void closeLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace minihost
