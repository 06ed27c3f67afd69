#include "EffectDiagnostics.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace vantrel {
namespace {

void flushStdout() {
  std::cout.flush();
  std::fflush(stdout);
}

}  // namespace

EffectDiagnostics::EffectDiagnostics(bool shown) {
  flushStdout();
  saved_ = dup(STDOUT_FILENO);
  const int target = shown ? STDERR_FILENO : open("/dev/null", O_WRONLY | O_CLOEXEC);
  dup2(target, STDOUT_FILENO);
  if (!shown && target >= 0) close(target);
}

EffectDiagnostics::~EffectDiagnostics() {
  flushStdout();  // what the effect left buffered goes where its diagnostics went
  if (saved_ >= 0) {
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  } else {
    close(STDOUT_FILENO);
  }
}

}  // namespace vantrel
