// vantrel's own view of its standard streams, apart from what the effect does with them.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace vantrel {

bool standardOutputIsTerminal();
bool standardErrorIsTerminal();

// A descriptor of its own onto standard input (0) or output (1) as it is now, for raw
// frames: binary, not passed on to child processes, and left alone by later diversions of
// the standard stream. -1, with errno set, when it cannot be made.
int duplicateStandardStream(int stream);

// A stream of its own onto standard output as it is now, which later diversions of
// standard output (EffectDiagnostics) leave alone; fclose closes it alone. Null, with
// errno set, when it cannot be made.
std::FILE* ownStandardOutput();

// Process-wide settings made once, before anything else runs.
void setUpProcess();

// The command line's arguments after the program's name, as UTF-8 (on Windows from the
// wide-character command line, whatever the console's code page).
std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace vantrel
