#include "Notes.h"

#include <cstdio>
#include <mutex>
#include <set>

namespace vantrel {

void noteOnce(Note kind, const std::string& text) {
  static std::mutex mutex;
  static std::set<Note> given;
  {
    const std::lock_guard<std::mutex> lock(mutex);
    if (!given.insert(kind).second) return;
  }
  const std::string line = "vantrel: note: " + text + "\n";
  std::fputs(line.c_str(), stderr);  // one call, so that the line is not split by another thread's output
  std::fflush(stderr);
}

}  // namespace vantrel
