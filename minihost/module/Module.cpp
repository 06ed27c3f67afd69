#include "Module.h"

#include "HostError.h"
#include "ModuleLibrary.h"

namespace minihost {

Module::Module(const std::string& path) : path_(path) {
  try {
    pipl_ = parsePipl(readPiplBytes(path));
  } catch (const HostError& e) {
    throw HostError("cannot load effect " + path + ": no readable PiPL (" + e.what() + ")");
  }
  library_ = openLibrary(path);
  entry_ = reinterpret_cast<PF_EntryPointFunc>(findSymbol(library_, pipl_.entryPoint));
  if (!entry_) {
    closeLibrary(library_);
    throw HostError("cannot load effect " + path + ": it does not export " + pipl_.entryPoint);
  }
}

Module::~Module() { closeLibrary(library_); }

}  // namespace minihost
