// Temporary files beside an output, under hidden names, that never outlive the run: the
// destructor removes one not yet put in place, and the signal handlers (on Windows, the
// console's Ctrl-C handler) remove them all when the process is ended at once.
#pragma once

#include <cstdio>
#include <string>

namespace vantrel {

class HiddenTemporary {
 public:
  // Makes ".NAME.vantrel-XXXXXX" + `suffix` in the folder of `path` (of the file that a
  // link named `path` leads to), open for writing, with the permissions of any new file.
  // Throws std::runtime_error with the system's reason.
  explicit HiddenTemporary(const std::string& path, const std::string& suffix = "");
  ~HiddenTemporary();
  HiddenTemporary(const HiddenTemporary&) = delete;
  HiddenTemporary& operator=(const HiddenTemporary&) = delete;

  const std::string& path() const { return path_; }
  // The open descriptor, which the caller now owns (and must close).
  int takeDescriptor();
  // The open file as a binary stream for writing, which the caller now owns (and must
  // fclose). Throws std::runtime_error with the system's reason.
  std::FILE* takeStream();
  // Renames the file over `destination` (over the file a link leads to, the link kept);
  // it is no longer temporary. Throws
  // std::runtime_error with the system's reason (the file stays temporary).
  void moveTo(const std::string& destination);

 private:
  void discard();

  std::string path_;  // empty once moved into place
  int fd_ = -1;
  int slot_ = -1;     // in the signal handlers' list, or -1
};

// Removes every temporary that exists now. Safe to call from a signal handler, or from
// the thread a console control handler runs on.
void removeRegisteredTemporaries();

}  // namespace vantrel
