#include "EffectDiagnostics.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>

namespace vantrel {
namespace {

// The C runtime's descriptor 1. Moving another descriptor onto it also makes it the
// process's standard output handle, which the effect's own runtime writes through.
constexpr int kStandardOutput = 1;
constexpr int kStandardError = 2;

void flushStdout() {
  std::cout.flush();
  std::fflush(stdout);
}

}  // namespace

EffectDiagnostics::EffectDiagnostics(bool shown) {
  flushStdout();
  saved_ = _dup(kStandardOutput);
  const int target = shown ? kStandardError : _open("NUL", _O_WRONLY | _O_NOINHERIT);
  if (target >= 0) _dup2(target, kStandardOutput);
  if (!shown && target >= 0) _close(target);
}

EffectDiagnostics::~EffectDiagnostics() {
  flushStdout();  // what the effect left buffered goes where its diagnostics went
  if (saved_ >= 0) {
    _dup2(saved_, kStandardOutput);
    _close(saved_);
  } else {
    _close(kStandardOutput);
  }
}

}  // namespace vantrel
