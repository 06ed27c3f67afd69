#include <dlfcn.h>

#include "ElfSection.h"
#include "HostError.h"
#include "ModuleLibrary.h"

namespace minihost {

std::vector<std::uint8_t> readPiplBytes(const std::string& path) { return readElfSection(path, ".pipl"); }

void* openLibrary(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!library) throw HostError(std::string("cannot load effect: ") + dlerror());
  return library;
}

void* findSymbol(void* library, const std::string& name) { return dlsym(library, name.c_str()); }

void closeLibrary(void* library) { dlclose(library); }

}  // namespace minihost
