// Scoped acquisition of a host suite: acquired by its table's name and version on
// construction, released on every way out of the scope. A suite the host cannot give
// throws A_Err_MISSING_SUITE, which the entry point turns into a host error.
#pragma once

#include <new>

#include "AE_Suites.h"

namespace Quillon::Vantrel {

template <typename Suite>
class AcquiredSuite {
 public:
  explicit AcquiredSuite(const PF_InData& in_data) : AcquiredSuite(in_data, std::nothrow) {
    if (!suite_) throw A_Err(A_Err_MISSING_SUITE);
  }
  // A suite the host may not offer: get() is null when it does not.
  AcquiredSuite(const PF_InData& in_data, std::nothrow_t) : basic_(in_data.pica_basicP) {
    const void* table = nullptr;
    if (!basic_ || basic_->AcquireSuite(Suite::suiteName, Suite::suiteVersion, &table) != 0) return;
    suite_ = static_cast<const Suite*>(table);
    if (!suite_) basic_->ReleaseSuite(Suite::suiteName, Suite::suiteVersion);
  }
  ~AcquiredSuite() {
    if (suite_) basic_->ReleaseSuite(Suite::suiteName, Suite::suiteVersion);
  }

  AcquiredSuite(const AcquiredSuite&) = delete;
  AcquiredSuite& operator=(const AcquiredSuite&) = delete;

  const Suite* operator->() const { return suite_; }
  const Suite* get() const { return suite_; }

 private:
  const SPBasicSuite* basic_;
  const Suite* suite_ = nullptr;
};

}  // namespace Quillon::Vantrel
