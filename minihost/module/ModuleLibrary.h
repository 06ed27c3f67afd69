// The platform's part of loading an effect module: its PiPL bytes read from the file
// without running any of its code, then the library opened and its symbols looked up.
// Linux reads the ".pipl" ELF section and uses dlopen; Windows reads the "PIPL" resource
// and uses LoadLibrary.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace minihost {

// The module's PiPL resource bytes. Throws HostError saying why there are none.
std::vector<std::uint8_t> readPiplBytes(const std::string& path);

// Opens the module for running; it then stays loaded for the life of the process, as hosts
// keep effects: unloading would take the OpenGL driver's libraries, and any thread the
// module started, with it. Throws HostError("cannot load effect: ...").
void* openLibrary(const std::string& path);
// The address of an exported function, or null.
void* findSymbol(void* library, const std::string& name);
// Gives back the reference openLibrary took; the code stays mapped.
void closeLibrary(void* library);

}  // namespace minihost
