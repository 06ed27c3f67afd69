#pragma once

#include "WindowSystem.h"

namespace Quillon::Vantrel {

// Records what is current on the calling thread and makes it current again when the
// scope ends, on every path. A record of nothing current leaves nothing current.
class ContextRestoreGuard {
 public:
  ContextRestoreGuard() : saved_(WindowSystem::currentBinding()) {}
  ~ContextRestoreGuard() { restore(); }
  ContextRestoreGuard(const ContextRestoreGuard&) = delete;
  ContextRestoreGuard& operator=(const ContextRestoreGuard&) = delete;

  void restore() {
    if (restored_) return;
    restored_ = true;
    if (!(WindowSystem::currentBinding() == saved_)) WindowSystem::restoreBinding(saved_);
  }

 private:
  bool restored_ = false;
  CurrentBinding saved_;
};

}  // namespace Quillon::Vantrel
