// The calls to the system that vantrel's files make: FileSystemCalls.cpp for POSIX
// systems, FileSystemCallsWindows.cpp for Windows. Names are UTF-8 everywhere; on Windows
// they reach the system's wide-character calls.
#pragma once

#include <cstdio>
#include <string>

namespace vantrel {

// Opens the file `path` as std::fopen does with `mode`.
std::FILE* openFile(const std::string& path, const char* mode);

// Makes a new file named `start` + six letters or digits + `suffix`, open for writing,
// with the permissions of any new file, and removable while it is open. Sets `path` to
// its name and returns its descriptor. Throws std::runtime_error with the system's reason.
int createUniqueFile(const std::string& start, const std::string& suffix, std::string& path);

// Closes a descriptor that createUniqueFile returned.
void closeDescriptor(int fd);

// Removes the file at `path`, if it can. Safe to call from a signal handler, or from the
// thread a console control handler runs on.
void removeFile(const char* path);

// Renames `from` over `to`, replacing it. Throws std::runtime_error with the system's
// reason.
void moveFileOver(const std::string& from, const std::string& to);

}  // namespace vantrel
