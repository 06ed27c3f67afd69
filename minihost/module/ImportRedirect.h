// Windows only: points a loaded module's import of a function at another function, as a
// host that owns the process may, to put faults into the real module.
#pragma once

namespace minihost {

// Redirects the import of `function` from `dll` by the module `library` (an HMODULE) to
// `replacement`, and returns what the import pointed at before. Throws HostError when the
// module imports no such function by name or its import table cannot be written.
void* redirectImport(void* library, const char* dll, const char* function, void* replacement);

}  // namespace minihost
