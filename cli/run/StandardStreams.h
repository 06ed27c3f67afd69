// vantrel's own view of its standard streams, apart from what the effect does with them.
#pragma once

#include <cstdio>

namespace vantrel {

bool standardOutputIsTerminal();
bool standardErrorIsTerminal();

// A stream of its own onto standard output as it is now, which later diversions of
// standard output (EffectDiagnostics) leave alone; fclose closes it alone. Null, with
// errno set, when it cannot be made.
std::FILE* ownStandardOutput();

// Process-wide settings made once, before anything else runs.
void setUpProcess();

}  // namespace vantrel
