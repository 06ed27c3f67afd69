#include "Diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <vector>

namespace Quillon::Vantrel {
namespace {

// The target of the command being run. The commands that print run one at a time (under
// the render lock), so one pointer serves; module-local thread storage would be touched on
// the host's threads, which leak checkers walking them at exit trip over.
DiagnosticsTarget* currentTarget = nullptr;

}  // namespace

DiagnosticsTarget::DiagnosticsTarget(const PF_InData* in_data) : previous_(currentTarget) {
  if (!in_data) return;
  suite_.emplace(*in_data, std::nothrow);
  if (!suite_->get()) return;
  buffer_.emplace(*suite_->get());
  stream_.emplace(&*buffer_);
  currentTarget = this;
}

DiagnosticsTarget::~DiagnosticsTarget() {
  if (!stream_) return;
  stream_->flush();
  currentTarget = previous_;
}

int DiagnosticsTarget::HostBuffer::sync() {
  if (!str().empty()) suite_.QN_WriteDiagnostic(str().c_str());
  str("");
  return 0;
}

std::ostream& diagnosticStream() { return currentTarget ? *currentTarget->stream_ : std::cout; }

void printDiagnostic(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  if (!currentTarget) {
    std::vprintf(format, arguments);
  } else {
    std::va_list again;
    va_copy(again, arguments);
    std::vector<char> text(std::size_t(std::max(std::vsnprintf(nullptr, 0, format, again), 0)) + 1);
    va_end(again);
    std::vsnprintf(text.data(), text.size(), format, arguments);
    *currentTarget->stream_ << text.data() << std::flush;
  }
  va_end(arguments);
}

}  // namespace Quillon::Vantrel
