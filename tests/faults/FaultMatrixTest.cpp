// The fault matrix: each failure the effect can meet from the host, the window system or the
// allocator that no other test reaches, as a row of one table-driven test. For each row: the
// code returned, the host's own OpenGL context current again on the thread that sent the
// command, nothing left held (suites, handles, OpenGL objects), and the next frames right.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include <glbinding/AbstractFunction.h>
#include <glbinding/Binding.h>
#include <glbinding/FunctionCall.h>
#include <glbinding/callbacks.h>

#include "GlObjectCounter.h"
#include "WindowSystem.h"
#include "HostThread.h"
#include "ParamIndex.h"
#include "RenderHost.h"

// Each refuses the module's next such call once: a render or a global context's creation,
// making one current, a layer's multisampled storage, operator new from the module's code
// (Linux only). endOnWindowSystemCall ends the process at any make-current or delete, exit 3.
// The hooks: RefusingEgl/WglContexts.cpp.
namespace vantrel_faults {
std::atomic<bool> refuseSharedContexts, refuseUnsharedContexts, refuseMakingCurrent, refuseLayerStorage,
    refuseAllocation, endOnWindowSystemCall;
std::atomic<int> refusals, moduleContexts;  // the module's contexts alive
bool refused(std::atomic<bool>& refusal) { return refusal.exchange(false) && ++refusals; }
[[noreturn]] void endProcess();
void endIfWatched(const char* call) {
  if (endOnWindowSystemCall) std::fprintf(stderr, "window-system call while ending: %s\n", call), std::fflush(stderr), endProcess();
}
void installRefusals(void* library);  // minihost::Module::library()
}  // namespace vantrel_faults

namespace {
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"  // the rows name what they need

using namespace minihost;
using namespace Quillon::Vantrel;
using vantrel_test::pixelBytes;

// Render meets its refusal on a new host thread, RenderAgain on one whose render context
// lives on; RenderAfterFailedSetup renders after a global setup that the refusal failed.
enum class Kind { Render, RenderAgain, RenderAfterFailedSetup, ParamsSetup, SetupAfterSetdown, Overlap, EndWithoutSetdown };

struct Scenario {
  std::string name;
  Kind kind;
  PF_Err expected = PF_Err_NONE;         // what the faulted command returns
  std::function<void(Faults&)> fault;    // the host's, cleared after the command
  std::atomic<bool>* refusal = nullptr;  // met once by the module
  std::string reason;                    // in the message the effect leaves
  PF_ParamIndex at = 0;                  // the control that fails
};
void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

std::vector<Scenario> allScenarios() {
  using namespace vantrel_faults;
  const PF_Err kBad = PF_Err_BAD_CALLBACK_PARAM;
  const auto noHandleSuite = [](Faults& f) { f.missingSuites.insert("PF Handle Suite"); };
  std::vector<Scenario> rows = {
      {"Render_without_PF_Handle_Suite", Kind::Render, kBad, noHandleSuite},
      {"Handle_allocation_fails", Kind::Render, kBad, [](Faults& f) { f.handleAllocationFails = true; }},
      {"Render_context_refused_on_a_new_thread", Kind::Render, kBad, {}, &refuseSharedContexts, "OpenGL"},
      {"Render_context_not_made_current_on_a_new_thread", Kind::Render, kBad, {}, &refuseMakingCurrent, "OpenGL"},
      {"Render_context_not_made_current_for_a_frame", Kind::RenderAgain, kBad, {}, &refuseMakingCurrent, "made current"},
      {"Layer_storage_refused", Kind::Render, kBad, {}, &refuseLayerStorage, "refused the multisampled storage"},
      {"Render_after_a_failed_global_setup", Kind::RenderAfterFailedSetup, PF_Err_NONE, {}, &refuseUnsharedContexts,
       std::string("no usable GPU driver for ") + Quillon::Vantrel::kWindowSystemName},
      {"Setup_after_setdown_from_another_thread", Kind::SetupAfterSetdown},
      {"Overlapped_renders_and_interface_commands", Kind::Overlap},
      {"Overlapped_renders_without_the_handle_suite", Kind::Overlap, kBad, noHandleSuite},
      {"Process_ends_without_setdown_making_no_window_system_call", Kind::EndWithoutSetdown}};
  if (VANTREL_MODULE_SHARES_LIBRARIES) {  // the module allocates through this program's operator new
    rows.push_back({"Allocation_refused_on_a_new_thread", Kind::Render, PF_Err_OUT_OF_MEMORY, {}, &refuseAllocation, "out of memory"});
  }
  for (PF_ParamIndex i : {1, 27}) {  // the host's own code comes back
    rows.push_back({"AddParam_fails_at_" + std::to_string(i), Kind::ParamsSetup, 100 + i, [i](Faults& f) { f.addParamFailsAt = i, f.addParamError = 100 + i; }, nullptr, "", i});
  }
  for (PF_ParamIndex i : {1, 8, 14, 26}) {  // 8 is a group marker, never checked out
    rows.push_back({"Checkout_fails_at_" + std::to_string(i), Kind::Render, PF_Err_NONE, [i](Faults& f) { f.checkoutFailsAt = i; }, nullptr, "", i});
  }
  return rows;
}

constexpr A_long kSizes[3][2] = {{64, 48}, {40, 30}, {24, 16}};

World poisoned(std::size_t size, std::uint8_t poison) {
  World world(kSizes[size][0], kSizes[size][1]);
  std::fill(world.bytes().begin(), world.bytes().end(), poison);
  return world;
}
bool untouched(const World& world, std::uint8_t poison) {
  return std::all_of(world.bytes().begin(), world.bytes().end(), [&](std::uint8_t b) { return b == poison; });
}

// Sends `command` to host thread `on`, whose own context must be current again after it.
PF_Err sendOn(HostThread& on, const std::function<PF_Err()>& command) {
  const auto [err, ownContext] = on.call([&] { return std::make_pair(command(), on.ownContextCurrent()); });
  EXPECT_TRUE(ownContext) << "the host's own context is not current on its thread after the command";
  return err;
}

// One host, loaded and set up once for the rows that run in this process, with three host
// threads that each keep an OpenGL context of their own current. The host keeps one frame
// size per instance, so each thread renders an instance of its own.
struct Stage {
  Host host{vantrel_test::modulePath()};
  std::vector<EffectInstance*> instances;
  std::vector<std::unique_ptr<HostThread>> threads;
  std::vector<World> inputs;
  std::vector<std::vector<std::uint8_t>> goodFrames;  // per size, before any fault
  std::string notReady;

  Stage() {
    vantrel_faults::installRefusals(host.module().library());
    if (host.paramsSetup()) notReady = "parameters setup failed";
    for (const auto& size : kSizes) {
      instances.push_back(frameInstance());
      inputs.push_back(vantrel_test::testPicture(size[0], size[1]));
      threads.push_back(std::make_unique<HostThread>(true));
    }
    if (host.globalSetup()) notReady = std::string("no OpenGL here: ") + host.outData().return_msg;
    for (std::size_t s = 0; s < 3 && notReady.empty(); ++s) goodFrames.push_back(frame(*threads[s], s));
  }
  ~Stage() {
    threads.clear();
    host.globalSetdown();
  }
  // The frame every row renders before and after its fault.
  EffectInstance* frameInstance() {
    EffectInstance& instance = host.newInstance();
    for (auto [i, value] : {std::pair{kShapeSize1, 20}, {kShapeSize2, 8}, {kShadowSize, 6}, {kPositionXOffset, 5}}) instance.set(i, {double(value)});
    return &instance;
  }
  std::vector<std::uint8_t> frame(HostThread& on, std::size_t size, EffectInstance* instance = nullptr) {
    World output = poisoned(size, 0);
    const PF_Err err = sendOn(on, [&] { return host.render(instance ? *instance : *instances[0], inputs[size], output); });
    return err ? std::vector<std::uint8_t>{} : pixelBytes(output);
  }
};

std::unique_ptr<Stage> stage;

// Renders of three sizes posted to two host threads at once, interface commands for the
// third instance (Edge Type at Stroke) to the third.
void overlap(PF_Err expected) {
  EffectInstance& edge = *stage->instances[2];
  edge.set(kEdgeType, {double(kEdgeStroke)});
  const auto sizeOf = [](std::size_t k) { return (k / 3 + k % 3) % 3; };
  std::vector<World> outputs;
  std::vector<std::future<std::pair<PF_Err, bool>>> results;
  for (std::size_t k = 0; k < 9; ++k) outputs.push_back(poisoned(sizeOf(k), 0x77));
  for (std::size_t k = 0; k < 9; ++k) {
    HostThread* on = stage->threads[k / 3].get();
    results.push_back(on->post([=, &outputs, &edge] {
      Host& h = stage->host;
      const PF_Err err = k < 6 ? h.render(*stage->instances[k / 3], stage->inputs[sizeOf(k)], outputs[k])
                               : k == 7 ? h.updateParamsUI(edge) : h.userChangedParam(edge, kEdgeType);
      return std::make_pair(err, on->ownContextCurrent());
    }));
  }
  for (std::size_t k = 0; k < 9; ++k) {
    const auto [err, ownContext] = results[k].get();
    EXPECT_TRUE(ownContext && err == (k < 6 ? expected : PF_Err_NONE)) << "command " << k << " returned " << err;
    const bool right = err ? untouched(outputs[k], 0x77) : pixelBytes(outputs[k]) == stage->goodFrames[sizeOf(k)];
    EXPECT_TRUE(k >= 6 || right) << "frame " << k;
  }
  for (PF_ParamIndex i = kShadowSize; i <= kStrokeOpacity; ++i) EXPECT_EQ(edge.hidden(i), i < kStrokeSize) << "control " << i;
}

// In a fresh process: a host may end, or unload the effect, without setdown. The effect must
// then make no window-system or OpenGL call, which on Windows would run under the loader
// lock. Frames on two threads give it render contexts. Exits 0 when all went right. OpenGL
// calls are seen where the module shares this program's glbinding, through its callbacks.
[[noreturn]] void endWithoutSetdown() {
  testing::internal::CaptureStdout();
  Host host(vantrel_test::modulePath());
  vantrel_faults::installRefusals(host.module().library());
  const bool declared = host.paramsSetup() == PF_Err_NONE;
  EffectInstance& instance = host.newInstance();
  World input = vantrel_test::testPicture(24, 16), output(24, 16);
  HostThread other;
  const auto render = [&] { return host.render(instance, input, output); };
  const bool right = declared && !host.globalSetup() && !render() && !other.call(render) && vantrel_test::leaksNothing(host);
  vantrel_faults::endOnWindowSystemCall = true;
  if (VANTREL_MODULE_SHARES_LIBRARIES) {
    const auto watchOpenGL = [](glbinding::ContextHandle) { glbinding::setCallbackMask(glbinding::CallbackMask::Before); };
    glbinding::setBeforeCallback([](const glbinding::FunctionCall& call) {
      std::fprintf(stderr, "OpenGL call while ending: %s\n", call.function->name());
      vantrel_faults::endProcess();
    });
    watchOpenGL(0);
    glbinding::Binding::addContextSwitchCallback(watchOpenGL);
  }
  std::exit(right ? 0 : 1);
}

class FaultMatrix : public testing::TestWithParam<Scenario> {
 public:
  static void TearDownTestSuite() { stage.reset(); }
};

TEST_P(FaultMatrix, FailsCleanlyAndTheNextFramesAreRight) {
  const Scenario& s = GetParam();
  if (s.kind == Kind::EndWithoutSetdown) {
    EXPECT_EXIT(endWithoutSetdown(), testing::ExitedWithCode(0), "");
    return;
  }
  if (!stage) stage = std::make_unique<Stage>();
  if (!stage->notReady.empty()) GTEST_SKIP() << stage->notReady;
  std::optional<vantrel_test::GlObjectCounter> counter;
  if (VANTREL_MODULE_SHARES_LIBRARIES) counter.emplace();
  Host& host = stage->host;
  std::optional<HostThread> fresh;
  HostThread& on = s.refusal && s.kind == Kind::Render ? fresh.emplace(true) : *stage->threads[0];
  const int refusals = vantrel_faults::refusals;
  World output = poisoned(0, 0x5A);
  const std::function<PF_Err()> render = [&] { return host.render(*stage->instances[0], stage->inputs[0], output); };
  const std::function<PF_Err()> paramsSetup = [&] { return host.paramsSetup(); };
  host.outData().return_msg[0] = '\0';
  if (s.fault) s.fault(host.faults());
  if (s.refusal) *s.refusal = true;
  if (s.kind == Kind::Overlap) overlap(s.expected);
  const bool renders = s.kind == Kind::Render || s.kind == Kind::RenderAgain || s.kind == Kind::RenderAfterFailedSetup;
  HostThread& third = *stage->threads[2];
  const auto setdown = [&] { return sendOn(third, [&] { return host.globalSetdown(); }); };
  const auto setup = [&] { return sendOn(third, [&] { return host.globalSetup(); }); };
  for (int n = 0; n < 2 && s.kind == Kind::SetupAfterSetdown; ++n) EXPECT_EQ(setdown(), PF_Err_NONE) << "twice";
  EXPECT_TRUE(s.kind != Kind::SetupAfterSetdown || vantrel_faults::moduleContexts == 0) << "contexts left by setdown";
  if (s.kind == Kind::RenderAfterFailedSetup) {
    EXPECT_EQ(setdown(), PF_Err_NONE);
    EXPECT_EQ(setup(), PF_Err_BAD_CALLBACK_PARAM);
  }
  const PF_Err err = renders ? sendOn(on, render) : s.kind == Kind::ParamsSetup ? sendOn(on, paramsSetup)
                     : s.kind == Kind::SetupAfterSetdown ? sendOn(on, [&] { return host.globalSetup(); }) : s.expected;
  EXPECT_EQ(err, s.expected);
  if (s.kind == Kind::RenderAfterFailedSetup) {
    // The render made the global context itself; setdown releases it all, so that after
    // a new setup a frame of the same size on another thread starts from nothing stale.
    EXPECT_EQ(pixelBytes(output), stage->goodFrames[0]) << "the frame without setup";
    EXPECT_EQ(setdown(), PF_Err_NONE);
    EXPECT_EQ(setup(), PF_Err_NONE);
    EXPECT_EQ(stage->frame(*stage->threads[1], 0), stage->goodFrames[0]) << "a frame after setdown and setup";
  }
  host.faults() = {};
  EXPECT_EQ(vantrel_faults::refusals - refusals, s.refusal ? 1 : 0) << "the refusal was not met";
  EXPECT_NE(std::string(host.outData().return_msg).find(s.reason), std::string::npos) << host.outData().return_msg;
  EXPECT_TRUE(!renders || !err || untouched(output, 0x5A)) << "a failed frame wrote to the output";
  if (s.kind == Kind::Render && s.at) {
    // The render stops asking at a failed checkout: that control and all after it count as
    // zero. A group marker is never asked for, and changes nothing.
    EffectInstance& zeroed = *stage->frameInstance();
    for (PF_ParamIndex i = s.at; i < kParamCount && s.at != kEdgeGroupStart; ++i) {
      if (i != kEdgeGroupEnd && i != kEchoGroupStart && i != kEchoGroupEnd) zeroed.set(i, {0, 0, 0, 0});
    }
    EXPECT_EQ(pixelBytes(output), stage->frame(on, 0, &zeroed)) << "controls from " << s.at << " on at zero";
  }
  if (s.kind == Kind::ParamsSetup) {
    EXPECT_EQ(PF_ParamIndex(host.params().size()), s.at) << "the controls before the failing one are declared";
    EXPECT_EQ(sendOn(on, paramsSetup), PF_Err_NONE) << "once add_param succeeds again";
  }
  for (int pass = 0; pass < 2; ++pass) {  // nothing held, before and after the next frames
    EXPECT_TRUE(vantrel_test::leaksNothing(host)) << "held: suites " << host.liveSuites() << ", memory handles "
        << host.liveMemoryHandles() << ", effect handles " << host.liveEffectHandles() << ", streams " << host.liveStreamHandles();
    for (std::size_t k = 0; k < 9 && pass == 0; ++k) {  // each size on each thread, the new one first
      EXPECT_EQ(stage->frame(k ? *stage->threads[k / 3] : on, k % 3), stage->goodFrames[k % 3]) << "the next frame " << k;
    }
  }
  // Framebuffers and vertex arrays belong to one context each: three and two for every
  // render context the row made, which lives on. Shared objects come back to their count.
  const long contextsMade = s.kind == Kind::RenderAfterFailedSetup ? 4 : s.kind == Kind::SetupAfterSetdown ? 3
                            : s.refusal && s.kind == Kind::Render ? 1 : 0;
  for (const auto& [kind, live] : counter ? counter->live() : std::map<std::string, long>{}) {
    EXPECT_EQ(live, contextsMade * (kind == "framebuffer" ? 3 : kind == "vertex array" ? 2 : 0)) << kind << "s left";
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultMatrix, testing::ValuesIn(allScenarios()),
                         [](const testing::TestParamInfo<Scenario>& row) { return row.param.name; });

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the row that needs a fresh process
  const int result = RUN_ALL_TESTS();
  std::printf("fault matrix: %zu scenarios, %d failed\n", allScenarios().size(), testing::UnitTest::GetInstance()->failed_test_count());
  return result;
}
