#include "StdoutToStderr.h"

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

StdoutToStderr::StdoutToStderr() {
  flushStdout();
  saved_ = dup(STDOUT_FILENO);
  dup2(STDERR_FILENO, STDOUT_FILENO);
}

StdoutToStderr::~StdoutToStderr() {
  flushStdout();  // what the effect left buffered belongs on standard error
  if (saved_ >= 0) {
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
  } else {
    close(STDOUT_FILENO);
  }
}

}  // namespace vantrel
