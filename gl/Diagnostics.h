// Where the effect's diagnostics go (the OpenGL information block, shader logs): standard
// output, unless the host that sent the command being run offers the diagnostics suite.
// A host whose standard output carries its own data takes the text that way, and nobody
// has to move the process's standard output out of its threads' way.
#pragma once

#include <optional>
#include <ostream>
#include <sstream>

#include "SuiteScope.h"

namespace Quillon::Vantrel {

// For the span of one command: the host's suite, when it offers one, receives the
// diagnostics written meanwhile. Made only by the commands that print (global setup,
// render), with the render lock held, so that one command at a time has one.
class DiagnosticsTarget {
 public:
  explicit DiagnosticsTarget(const PF_InData* in_data);
  ~DiagnosticsTarget();
  DiagnosticsTarget(const DiagnosticsTarget&) = delete;
  DiagnosticsTarget& operator=(const DiagnosticsTarget&) = delete;

 private:
  friend std::ostream& diagnosticStream();
  friend void printDiagnostic(const char* format, ...);

  // Hands what was written to the host at every flush (std::endl flushes).
  class HostBuffer : public std::stringbuf {
   public:
    explicit HostBuffer(const QN_DiagnosticsSuite1& suite) : suite_(suite) {}
    int sync() override;

   private:
    const QN_DiagnosticsSuite1& suite_;
  };

  std::optional<AcquiredSuite<QN_DiagnosticsSuite1>> suite_;
  std::optional<HostBuffer> buffer_;
  std::optional<std::ostream> stream_;
  DiagnosticsTarget* previous_;
};

// The stream the information block is written to: std::cout, or the host's.
std::ostream& diagnosticStream();
// printf to standard output, or formatted into the host's.
void printDiagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace Quillon::Vantrel
