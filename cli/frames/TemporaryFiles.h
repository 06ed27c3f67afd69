// Temporary files known to the signal handlers, so that a signal that ends the process
// at once (a second Ctrl-C) still removes them.
#pragma once

#include <string>

namespace vantrel {

// Registers `path` while it lives; one that cannot be registered (all slots taken) is
// simply not cleaned up by a signal.
class RegisteredTemporary {
 public:
  explicit RegisteredTemporary(const std::string& path);
  ~RegisteredTemporary();
  RegisteredTemporary(const RegisteredTemporary&) = delete;
  RegisteredTemporary& operator=(const RegisteredTemporary&) = delete;

 private:
  int slot_;
};

// Removes every registered temporary. Safe to call from a signal handler.
void removeRegisteredTemporaries();

}  // namespace vantrel
