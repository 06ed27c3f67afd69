#pragma once

#include <string>

#include "AE_Effect.h"
#include "Pipl.h"

namespace minihost {

// An effect module loaded the way a host loads one: its PiPL read from the file first,
// then the library opened and the entry point the PiPL names resolved.
class Module {
 public:
  explicit Module(const std::string& path);  // throws HostError
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  const std::string& path() const { return path_; }
  const PiplInfo& pipl() const { return pipl_; }
  PF_EntryPointFunc entryPoint() const { return entry_; }
  // The loaded library: a dlopen handle on Linux, the HMODULE on Windows.
  void* library() const { return library_; }

 private:
  std::string path_;
  PiplInfo pipl_;
  void* library_ = nullptr;
  PF_EntryPointFunc entry_ = nullptr;
};

}  // namespace minihost
