// "Edge Type" shows the shadow or the stroke controls; checked as journals of host calls.
#include <gtest/gtest.h>

#include "TestHost.h"

namespace {

using Journal = std::vector<std::string>;

const Journal kAcquire = {
    "AcquireSuite PF Param Utils Suite 3",      "AcquireSuite AEGP Effect Suite 2",
    "AcquireSuite AEGP PF Interface Suite 1",   "AcquireSuite AEGP Dynamic Stream Suite 2",
    "AcquireSuite AEGP Stream Suite 7",
};
const Journal kRelease = {
    "ReleaseSuite AEGP Stream Suite 7",         "ReleaseSuite AEGP Dynamic Stream Suite 2",
    "ReleaseSuite AEGP PF Interface Suite 1",   "ReleaseSuite AEGP Effect Suite 2",
    "ReleaseSuite PF Param Utils Suite 3",
};

enum class Change { None, Hide, Show };

// The calls of one run, given what happens to each of the controls 10 to 15.
Journal expectedRun(const std::vector<Change>& changes) {
  Journal j = kAcquire;
  j.push_back("AEGP_GetNewEffectForEffect");
  for (int i = 0; i < 6; ++i) {
    const std::string index = std::to_string(10 + i);
    j.push_back("AEGP_GetNewEffectStreamByIndex " + index);
    j.push_back("AEGP_GetDynamicStreamFlags " + index);
    if (changes[i] == Change::Hide) j.push_back("AEGP_SetDynamicStreamFlag " + index + " 2 set");
    if (changes[i] == Change::Show) j.push_back("AEGP_SetDynamicStreamFlag " + index + " 2 clear");
    j.push_back("AEGP_DisposeStream " + index);
    j.push_back("PF_UpdateParamUI " + index);
  }
  j.push_back("AEGP_DisposeEffect");
  j.insert(j.end(), kRelease.begin(), kRelease.end());
  return j;
}

std::vector<bool> hiddenControls(const minihost::EffectInstance& instance) {
  std::vector<bool> hidden;
  for (PF_ParamIndex index = 10; index <= 15; ++index) hidden.push_back(instance.hidden(index));
  return hidden;
}

const std::vector<bool> kShadowShown = {false, false, false, true, true, true};
const std::vector<bool> kStrokeShown = {true, true, true, false, false, false};

TEST(EdgeType, StrokeAndBackAgain) {
  vantrel_test::DeclaredHost declared;
  minihost::Host& host = declared.host;
  minihost::EffectInstance& instance = *declared.instance;
  const Change n = Change::None, h = Change::Hide, s = Change::Show;

  instance.set(9, {2});
  EXPECT_EQ(host.userChangedParam(instance, 9), PF_Err_NONE);
  EXPECT_EQ(host.journal().entries(), expectedRun({h, h, h, s, s, s}));
  EXPECT_EQ(hiddenControls(instance), kStrokeShown);

  host.journal().clear();
  instance.set(9, {1});
  EXPECT_EQ(host.userChangedParam(instance, 9), PF_Err_NONE);
  EXPECT_EQ(host.journal().entries(), expectedRun({s, s, s, h, h, h}));
  EXPECT_EQ(hiddenControls(instance), kShadowShown);

  host.journal().clear();
  EXPECT_EQ(host.updateParamsUI(instance), PF_Err_NONE);
  EXPECT_EQ(host.journal().entries(), expectedRun({n, n, n, n, n, n})) << "no flag set, six refreshes";
  EXPECT_TRUE(vantrel_test::leaksNothing(host));
}

// A suite the host cannot give fails the command; the ones acquired before it are
// released in reverse order and no visibility changes.
TEST(EdgeType, MissingSuiteReleasesTheOthersInReverse) {
  for (std::size_t missing = 0; missing < kAcquire.size(); ++missing) {
    vantrel_test::DeclaredHost declared;
    minihost::Host& host = declared.host;
    const std::string name = kAcquire[missing].substr(13, kAcquire[missing].rfind(' ') - 13);
    SCOPED_TRACE(name);
    host.faults().missingSuites.insert(name);
    declared.instance->set(9, {2});

    EXPECT_EQ(host.userChangedParam(*declared.instance, 9), PF_Err_BAD_CALLBACK_PARAM);

    Journal expected(kAcquire.begin(), kAcquire.begin() + std::ptrdiff_t(missing));
    expected.push_back(kAcquire[missing] + " missing");
    expected.insert(expected.end(), kRelease.end() - std::ptrdiff_t(missing), kRelease.end());
    EXPECT_EQ(host.journal().entries(), expected);
    EXPECT_EQ(hiddenControls(*declared.instance), kShadowShown);
    EXPECT_TRUE(vantrel_test::leaksNothing(host));
  }
}

}  // namespace
