#include "Notes.h"

#include <atomic>
#include <cstdio>

namespace vantrel {
namespace {

constexpr int kNoteKinds = 2;
std::atomic<bool> given[kNoteKinds];

}  // namespace

void noteOnce(Note kind, const std::string& text) {
  if (given[static_cast<int>(kind)].exchange(true)) return;
  const std::string line = "vantrel: note: " + text + "\n";
  std::fputs(line.c_str(), stderr);  // one call, so that the line is not split by another thread's output
  std::fflush(stderr);
}

}  // namespace vantrel
