#include "Module.h"

#include <dlfcn.h>

#include "ElfSection.h"
#include "HostError.h"

namespace minihost {

Module::Module(const std::string& path) : path_(path) {
  try {
    pipl_ = parsePipl(readElfSection(path, ".pipl"));
  } catch (const HostError& e) {
    throw HostError("cannot load effect " + path + ": no readable PiPL (" + e.what() + ")");
  }
  // Kept mapped for the life of the process, as hosts keep effects: unloading would take
  // the OpenGL driver's libraries with it while its threads still run.
  library_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!library_) throw HostError(std::string("cannot load effect: ") + dlerror());
  entry_ = reinterpret_cast<PF_EntryPointFunc>(dlsym(library_, pipl_.entryPoint.c_str()));
  if (!entry_) {
    dlclose(library_);
    throw HostError("cannot load effect " + path + ": it does not export " + pipl_.entryPoint);
  }
}

Module::~Module() { dlclose(library_); }

}  // namespace minihost
