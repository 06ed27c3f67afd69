#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "TestHost.h"

namespace {

class UnhandledSelector : public testing::TestWithParam<PF_Cmd> {};

// Selectors the effect does not handle answer 0 and touch neither the host nor the
// out-data record.
TEST_P(UnhandledSelector, AnswersZeroAndChangesNothing) {
  vantrel_test::DeclaredHost declared;
  minihost::Host& host = declared.host;
  ASSERT_NE(declared.instance, nullptr);
  std::memset(&host.outData(), 0xA5, sizeof host.outData());
  const PF_OutData before = host.outData();
  PF_UserChangedParamExtra extra{9};

  EXPECT_EQ(host.send(GetParam(), declared.instance, &extra), PF_Err_NONE);

  EXPECT_EQ(std::memcmp(&before, &host.outData(), sizeof before), 0);
  EXPECT_TRUE(host.journal().entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Selectors, UnhandledSelector,
                         testing::Values(2, 5, 6, 7, 8, 9, 10, 12, 15, 16, 100, 0x10000, INT_MAX, -1, -11,
                                         -0x10000 + 1, INT_MIN));

TEST(Dispatch, SupervisedControlsOtherThanEdgeTypeCallNothing) {
  vantrel_test::DeclaredHost declared;
  for (PF_ParamIndex index : {1, 6, 2, 26}) {
    EXPECT_EQ(declared.host.userChangedParam(*declared.instance, index), PF_Err_NONE);
  }
  EXPECT_TRUE(declared.host.journal().entries().empty());
}

}  // namespace
