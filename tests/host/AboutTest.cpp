#include <gtest/gtest.h>

#include <cstring>

#include "TestHost.h"

namespace {

using Journal = std::vector<std::string>;

TEST(About, WritesNameVersionCarriageReturnNameBeforeGlobalSetup) {
  minihost::Host host(vantrel_test::modulePath());
  std::memset(host.outData().return_msg, 'x', sizeof host.outData().return_msg);

  EXPECT_EQ(host.about(), PF_Err_NONE);

  const char expected[] = "QN Vantrel v1.0\x0DQN Vantrel";
  EXPECT_EQ(std::memcmp(host.outData().return_msg, expected, sizeof expected), 0)
      << "got: " << host.outData().return_msg;
  EXPECT_EQ(host.journal().entries(), (Journal{"AcquireSuite PF ANSI Suite 1", "ReleaseSuite PF ANSI Suite 1"}));
  EXPECT_TRUE(vantrel_test::leaksNothing(host));
}

TEST(About, MissingAnsiSuiteFailsWithoutTouchingTheMessage) {
  minihost::Host host(vantrel_test::modulePath());
  std::strcpy(host.outData().return_msg, "untouched");
  host.faults().missingSuites.insert("PF ANSI Suite");

  EXPECT_EQ(host.about(), PF_Err_BAD_CALLBACK_PARAM);

  EXPECT_STREQ(host.outData().return_msg, "untouched");
  EXPECT_EQ(host.journal().entries(), (Journal{"AcquireSuite PF ANSI Suite 1 missing"}));
  EXPECT_TRUE(vantrel_test::leaksNothing(host));
}

}  // namespace
