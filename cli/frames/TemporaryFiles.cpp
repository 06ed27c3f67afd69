#include "TemporaryFiles.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace vantrel {
namespace {

// Fixed storage: a signal handler may not allocate or lock.
enum : int { kFree, kFilling, kReady };
constexpr int kSlots = 160;  // more than the files a run has open at once (64 writers at most)
struct Slot {
  std::atomic<int> state{kFree};
  char path[4096];
};
Slot slots[kSlots];

}  // namespace

RegisteredTemporary::RegisteredTemporary(const std::string& path) : slot_(-1) {
  if (path.size() >= sizeof slots[0].path) return;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (slots[i].state.compare_exchange_strong(expected, kFilling)) {
      std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
      slots[i].state = kReady;
      slot_ = i;
      return;
    }
  }
}

RegisteredTemporary::~RegisteredTemporary() {
  if (slot_ >= 0) slots[slot_].state = kFree;
}

void removeRegisteredTemporaries() {
  for (Slot& slot : slots) {
    if (slot.state == kReady) unlink(slot.path);
  }
}

}  // namespace vantrel
