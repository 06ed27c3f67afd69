// The fault matrix: every host failure the substitute host can inject, each a row of one
// table-driven test. For each row: the code the command returns, the host's own OpenGL
// context current again on the thread that sent it, nothing left held (suites, memory,
// effect and stream handles; OpenGL objects back to their count before the row), and the
// next frame equal to the frame rendered before any fault.
//
// Rows: each suite missing for each command that acquires it; add_param failing at each
// index; checkout_param failing at each index (those the render reads, and the group
// markers it never asks for); the handle allocation failing; the OpenGL platform finding
// no driver (global setup in a fresh process); a render context refused; global setup
// after setdown; renders the host overlaps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "GlObjectCounter.h"
#include "HostThread.h"
#include "ParamIndex.h"
#include "RefusingContexts.h"
#include "RenderHost.h"

namespace {

using minihost::EffectInstance;
using minihost::HostThread;
using minihost::World;
using vantrel_test::pixelBytes;
using vantrel_test::testPicture;
using namespace Quillon::Vantrel;

using Bytes = std::vector<std::uint8_t>;

enum class Kind {
  SuiteMissing,
  AddParamFails,
  CheckoutFails,
  HandleAllocationFails,
  OpenGLPlatformRefuses,
  RenderContextRefused,
  SetupAfterSetdown,
  OverlappedRenders,
};

enum class Command { About, UserChangedEdgeType, UpdateParamsUI, Render };

enum class Overlap { SameSize, MixedSizes, WithInterfaceCommands, WithHandleSuiteMissing };

struct Scenario {
  std::string name;
  Kind kind;
  PF_Err expected = PF_Err_NONE;  // what the faulted command returns
  Command command = Command::Render;
  std::string suite;                // SuiteMissing
  PF_ParamIndex index = 0;          // AddParamFails, CheckoutFails
  bool setdownOnAnotherThread = false;
  Overlap overlap = Overlap::SameSize;
  int newRenderContexts = 0;        // each makes its framebuffers and vertex arrays
};

// Failures name the row rather than print its bytes.
void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

// The suites UserChangedParam and UpdateParamsUI acquire, in the order they take them.
const char* const kVisibilitySuites[] = {"PF Param Utils Suite", "AEGP Effect Suite", "AEGP PF Interface Suite",
                                         "AEGP Dynamic Stream Suite", "AEGP Stream Suite"};

bool isGroupMarker(PF_ParamIndex index) {
  return index == kEdgeGroupStart || index == kEdgeGroupEnd || index == kEchoGroupStart || index == kEchoGroupEnd;
}

std::string identifier(std::string text) {
  for (char& c : text) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return text;
}

Scenario row(std::string name, Kind kind) {
  Scenario s;
  s.name = std::move(name);
  s.kind = kind;
  return s;
}

std::vector<Scenario> allScenarios() {
  std::vector<Scenario> list;
  auto suiteMissing = [&](Command command, const char* commandName, const char* suite) {
    Scenario s = row(std::string(commandName) + "_without_" + identifier(suite), Kind::SuiteMissing);
    s.expected = PF_Err_BAD_CALLBACK_PARAM;
    s.command = command;
    s.suite = suite;
    list.push_back(s);
  };
  suiteMissing(Command::About, "About", "PF ANSI Suite");
  for (const char* suite : kVisibilitySuites) suiteMissing(Command::UserChangedEdgeType, "EdgeTypeChanged", suite);
  for (const char* suite : kVisibilitySuites) suiteMissing(Command::UpdateParamsUI, "UpdateParamsUI", suite);
  suiteMissing(Command::Render, "Render", "PF Handle Suite");

  for (PF_ParamIndex index = 1; index < kParamCount; ++index) {
    Scenario s = row("AddParam_fails_at_" + std::to_string(index), Kind::AddParamFails);
    // The host's own code comes back unchanged, whatever it is.
    s.expected = index % 2 ? PF_Err_OUT_OF_MEMORY : PF_Err(7 + index);
    s.index = index;
    list.push_back(s);
  }
  for (PF_ParamIndex index = 1; index < kParamCount; ++index) {
    Scenario s = row("Checkout_fails_at_" + std::to_string(index) + (isGroupMarker(index) ? "_never_read" : ""),
                     Kind::CheckoutFails);
    s.expected = PF_Err_NONE;
    s.index = index;
    list.push_back(s);
  }

  Scenario handles = row("Handle_allocation_fails", Kind::HandleAllocationFails);
  handles.expected = PF_Err_BAD_CALLBACK_PARAM;
  list.push_back(handles);

  Scenario platform = row("OpenGL_platform_finds_no_driver_in_a_fresh_process", Kind::OpenGLPlatformRefuses);
  platform.expected = PF_Err_BAD_CALLBACK_PARAM;
  list.push_back(platform);

  Scenario renderContext = row("Render_context_refused_on_a_new_thread", Kind::RenderContextRefused);
  renderContext.expected = PF_Err_BAD_CALLBACK_PARAM;
  renderContext.newRenderContexts = 1;
  list.push_back(renderContext);

  for (bool another : {false, true}) {
    Scenario s = row(another ? "Setup_after_setdown_sent_from_another_thread" : "Setup_after_setdown",
                     Kind::SetupAfterSetdown);
    s.setdownOnAnotherThread = another;
    s.newRenderContexts = 3;  // every host thread's render context is made again
    list.push_back(s);
  }

  const std::pair<Overlap, const char*> overlaps[] = {
      {Overlap::SameSize, "Overlapped_renders_of_one_size"},
      {Overlap::MixedSizes, "Overlapped_renders_of_three_sizes"},
      {Overlap::WithInterfaceCommands, "Overlapped_renders_and_interface_commands"},
      {Overlap::WithHandleSuiteMissing, "Overlapped_renders_without_the_handle_suite"},
  };
  for (const auto& [overlap, name] : overlaps) {
    Scenario s = row(name, Kind::OverlappedRenders);
    s.overlap = overlap;
    s.expected = overlap == Overlap::WithHandleSuiteMissing ? PF_Err_BAD_CALLBACK_PARAM : PF_Err_NONE;
    list.push_back(s);
  }
  return list;
}

const std::vector<Scenario>& scenarios() {
  static const std::vector<Scenario> list = allScenarios();
  return list;
}

constexpr A_long kSizes[3][2] = {{64, 48}, {40, 30}, {24, 16}};
constexpr int kThreads = 3;

// The frame every row renders before and after its fault.
void applyFrameValues(EffectInstance& instance) {
  instance.set(kShapeSize1, {20});
  instance.set(kShapeSize2, {8});
  instance.set(kShadowSize, {6});
  instance.set(kPositionXOffset, {5});
  instance.set(kRotationOffset, {12});
}

// One host, loaded and set up once for every row that runs in this process, with three
// host threads that each keep an OpenGL context of their own current.
struct Stage {
  minihost::Host host{vantrel_test::modulePath()};
  EffectInstance* frameInstance = nullptr;  // the frame compared before and after each fault
  EffectInstance* edgeInstance = nullptr;   // "Edge Type" at Stroke, for the interface commands
  // The same values once per host thread. The substitute host keeps one frame (time and
  // layer size) per instance for checkout_param, so renders of different sizes that
  // overlap need instances of their own.
  std::vector<EffectInstance*> threadInstances;
  std::vector<std::unique_ptr<HostThread>> threads;
  std::vector<World> inputs;
  std::vector<Bytes> goodFrames;  // per size, rendered before any fault
  bool ready = false;
  std::string notReady;

  Stage() {
    vantrel_faults::installContextRefusal(host.module().library());
    if (host.paramsSetup() != PF_Err_NONE) {
      notReady = "parameters setup failed";
      return;
    }
    frameInstance = &host.newInstance();
    applyFrameValues(*frameInstance);
    edgeInstance = &host.newInstance();
    edgeInstance->set(kEdgeType, {double(kEdgeStroke)});
    for (int t = 0; t < kThreads; ++t) {
      threadInstances.push_back(&host.newInstance());
      applyFrameValues(*threadInstances.back());
    }
    for (const auto& size : kSizes) inputs.push_back(testPicture(size[0], size[1]));

    testing::internal::CaptureStdout();
    const PF_Err setup = host.globalSetup();
    for (int t = 0; t < kThreads && setup == PF_Err_NONE; ++t) threads.push_back(std::make_unique<HostThread>(true));
    bool framesAgree = setup == PF_Err_NONE;
    for (std::size_t s = 0; s < 3 && framesAgree; ++s) {
      for (auto& thread : threads) {
        const Bytes frame = thread->call([&] { return render(*frameInstance, s); });
        if (goodFrames.size() == s) goodFrames.push_back(frame);
        framesAgree = framesAgree && frame == goodFrames[s] && !frame.empty();
      }
    }
    testing::internal::GetCapturedStdout();
    if (setup != PF_Err_NONE) {
      notReady = std::string("no OpenGL here: ") + host.outData().return_msg;
    } else if (!framesAgree) {
      notReady = "the frames of the three host threads differ before any fault";
    } else {
      ready = true;
    }
  }

  ~Stage() {
    threads.clear();
    testing::internal::CaptureStdout();
    host.globalSetdown();
    testing::internal::GetCapturedStdout();
  }

  // Renders on the calling thread; the pixel bytes, or none when the command fails.
  Bytes render(EffectInstance& instance, std::size_t size) {
    World output(kSizes[size][0], kSizes[size][1]);
    if (host.render(instance, inputs[size], output) != PF_Err_NONE) return {};
    return pixelBytes(output);
  }
};

std::unique_ptr<Stage> stage;

std::map<std::string, long> withoutZeros(std::map<std::string, long> objects) {
  for (auto it = objects.begin(); it != objects.end();) it = it->second == 0 ? objects.erase(it) : std::next(it);
  return objects;
}

std::string describe(const std::map<std::string, long>& objects) {
  std::string text;
  for (const auto& [kind, count] : objects) text += (text.empty() ? "" : ", ") + kind + " " + std::to_string(count);
  return text.empty() ? "none" : text;
}

// A world filled with one byte, so that any byte the effect writes can be told apart.
World poisoned(std::size_t size, std::uint8_t poison) {
  World world(kSizes[size][0], kSizes[size][1]);
  std::fill(world.bytes().begin(), world.bytes().end(), poison);
  return world;
}

bool untouched(const World& world, std::uint8_t poison) {
  return std::all_of(world.bytes().begin(), world.bytes().end(), [&](std::uint8_t b) { return b == poison; });
}

class FaultMatrix : public testing::TestWithParam<Scenario> {
 public:
  static void SetUpTestSuite() { RecordProperty("scenarios", int(scenarios().size())); }
  static void TearDownTestSuite() { stage.reset(); }

 protected:
  minihost::Host& host() { return stage->host; }
  HostThread& thread(int t) { return *stage->threads[std::size_t(t)]; }

  // Runs `command` on host thread `t`; its code, with whether the thread's own context
  // was current again right after it.
  PF_Err sendOn(int t, const std::function<PF_Err()>& command) {
    HostThread& on = thread(t);
    const auto [err, ownContext] = on.call([&] {
      const PF_Err code = command();
      return std::make_pair(code, on.ownContextCurrent());
    });
    EXPECT_TRUE(ownContext) << "the host's own context is not current on its thread after the command";
    return err;
  }

  void expectNothingHeld() {
    EXPECT_EQ(host().liveSuites(), 0u) << "suites acquired and not released";
    EXPECT_EQ(host().liveMemoryHandles(), 0u);
    EXPECT_EQ(host().liveEffectHandles(), 0u);
    EXPECT_EQ(host().liveStreamHandles(), 0u);
  }

  void expectNextFrameRight(int t) {
    const Bytes frame = thread(t).call([&] { return stage->render(*stage->frameInstance, 0); });
    EXPECT_TRUE(thread(t).call([&] { return thread(t).ownContextCurrent(); }));
    EXPECT_EQ(frame, stage->goodFrames[0]) << "the next frame on host thread " << t << " differs";
  }

  void runSuiteMissing(const Scenario& s);
  void runAddParamFails(const Scenario& s);
  void runCheckoutFails(const Scenario& s);
  void runRenderFault(const Scenario& s);
  void runRenderContextRefused(const Scenario& s);
  void runSetupAfterSetdown(const Scenario& s);
  void runOverlappedRenders(const Scenario& s);
};

// The visibility the edge controls start with: the stroke's hidden, the shadow's shown.
// Once a visibility command has run for "Edge Type" at Stroke, it is the other way round.
void resetEdgeFlags(EffectInstance& instance) {
  for (PF_ParamIndex i = kShadowSize; i <= kStrokeOpacity; ++i) {
    instance.setStreamFlags(i, instance.declared(i).startsHidden() ? AEGP_DynStreamFlag_HIDDEN : 0);
  }
}

std::vector<bool> hiddenFlags(const EffectInstance& instance) {
  std::vector<bool> hidden;
  for (PF_ParamIndex i = kShadowSize; i <= kStrokeOpacity; ++i) hidden.push_back(instance.hidden(i));
  return hidden;
}

void FaultMatrix::runSuiteMissing(const Scenario& s) {
  if (s.command == Command::Render) return runRenderFault(s);
  EffectInstance& instance = *stage->edgeInstance;
  resetEdgeFlags(instance);
  const std::vector<bool> before = hiddenFlags(instance);
  auto command = [&]() -> PF_Err {
    switch (s.command) {
      case Command::About: return host().about();
      case Command::UserChangedEdgeType: return host().userChangedParam(instance, kEdgeType);
      case Command::UpdateParamsUI: return host().updateParamsUI(instance);
      case Command::Render: break;
    }
    return -1;
  };

  host().faults().missingSuites.insert(s.suite);
  EXPECT_EQ(sendOn(0, command), s.expected);
  expectNothingHeld();
  EXPECT_EQ(hiddenFlags(instance), before) << "no control changed its visibility";
  host().faults() = {};

  // The same command succeeds once the suite is back.
  EXPECT_EQ(sendOn(0, command), PF_Err_NONE);
  expectNothingHeld();
  if (s.command == Command::About) {
    EXPECT_NE(std::string(host().outData().return_msg).find("QN Vantrel"), std::string::npos);
  } else {
    const std::vector<bool> strokeShown = {true, true, true, false, false, false};
    EXPECT_EQ(hiddenFlags(instance), strokeShown);
  }
}

void FaultMatrix::runAddParamFails(const Scenario& s) {
  host().faults().addParamFailsAt = s.index;
  host().faults().addParamError = s.expected;
  EXPECT_EQ(sendOn(0, [&] { return host().paramsSetup(); }), s.expected);
  EXPECT_EQ(PF_ParamIndex(host().params().size()), s.index) << "the controls before the failing one are declared";
  host().faults() = {};
  expectNothingHeld();

  EXPECT_EQ(sendOn(0, [&] { return host().paramsSetup(); }), PF_Err_NONE);
  EXPECT_EQ(PF_ParamIndex(host().params().size()), PF_ParamIndex(kParamCount));
}

// A failed checkout stops the render asking for more: the failed control and every one
// it reads after it count as zero, so the frame equals the same frame rendered with
// those controls at zero. A group marker is never asked for and changes nothing.
void FaultMatrix::runCheckoutFails(const Scenario& s) {
  host().faults().checkoutFailsAt = s.index;
  host().journal().clear();
  World output = poisoned(0, 0xA5);
  EXPECT_EQ(sendOn(0, [&] { return host().render(*stage->frameInstance, stage->inputs[0], output); }), s.expected);
  host().faults() = {};
  expectNothingHeld();

  std::vector<PF_ParamIndex> asked;
  for (const std::string& entry : host().journal().entries()) {
    if (entry.rfind("checkout_param ", 0) == 0) asked.push_back(std::stoi(entry.substr(15)));
  }
  std::vector<PF_ParamIndex> expectedAsked;
  for (PF_ParamIndex i = 1; i < kParamCount; ++i) {
    if (!isGroupMarker(i) && (isGroupMarker(s.index) || i <= s.index)) expectedAsked.push_back(i);
  }
  EXPECT_EQ(asked, expectedAsked) << "the controls checked out";

  if (isGroupMarker(s.index)) {
    EXPECT_EQ(pixelBytes(output), stage->goodFrames[0]);
  } else {
    EffectInstance& zeroed = host().newInstance();
    applyFrameValues(zeroed);
    for (PF_ParamIndex i = s.index; i < kParamCount; ++i) {
      if (!isGroupMarker(i)) zeroed.set(i, {0, 0, 0, 0});
    }
    const Bytes expected = thread(0).call([&] { return stage->render(zeroed, 0); });
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(pixelBytes(output), expected) << "the frame with the controls from index " << s.index << " at zero";
  }
}

// The read-back cannot be done: the frame fails and nothing is written.
void FaultMatrix::runRenderFault(const Scenario& s) {
  if (s.kind == Kind::HandleAllocationFails) host().faults().handleAllocationFails = true;
  if (s.kind == Kind::SuiteMissing) host().faults().missingSuites.insert(s.suite);
  World output = poisoned(0, 0x5A);
  EXPECT_EQ(sendOn(0, [&] { return host().render(*stage->frameInstance, stage->inputs[0], output); }), s.expected);
  EXPECT_TRUE(untouched(output, 0x5A)) << "a failed frame wrote to the output";
  host().faults() = {};
  expectNothingHeld();
}

// The effect's render context for a new host thread cannot be made: the frame fails with
// a reason, and the next frame on that thread makes the context and is right.
void FaultMatrix::runRenderContextRefused(const Scenario& s) {
  HostThread fresh(true);
  ASSERT_TRUE(fresh.call([&] { return fresh.ownContextCurrent(); }));
  const int refusedBefore = vantrel_faults::refusedContexts;
  World output = poisoned(0, 0x3C);
  vantrel_faults::refuseSharedContexts = true;
  const auto [err, ownContext] = fresh.call([&] {
    const PF_Err code = host().render(*stage->frameInstance, stage->inputs[0], output);
    return std::make_pair(code, fresh.ownContextCurrent());
  });
  vantrel_faults::refuseSharedContexts = false;
  EXPECT_EQ(err, s.expected);
  EXPECT_TRUE(ownContext);
  EXPECT_GT(vantrel_faults::refusedContexts.load(), refusedBefore) << "the module's context creation did not reach the refusal";
  EXPECT_NE(std::string(host().outData().return_msg).find("OpenGL"), std::string::npos)
      << host().outData().return_msg;
  EXPECT_TRUE(untouched(output, 0x3C));
  expectNothingHeld();

  const Bytes next = fresh.call([&] { return stage->render(*stage->frameInstance, 0); });
  EXPECT_TRUE(fresh.call([&] { return fresh.ownContextCurrent(); }));
  EXPECT_EQ(next, stage->goodFrames[0]) << "the next frame on the new thread";
}

void FaultMatrix::runSetupAfterSetdown(const Scenario& s) {
  const int setdownThread = s.setdownOnAnotherThread ? 2 : 0;
  EXPECT_EQ(sendOn(setdownThread, [&] { return host().globalSetdown(); }), PF_Err_NONE);
  EXPECT_EQ(sendOn(setdownThread, [&] { return host().globalSetdown(); }), PF_Err_NONE) << "a second setdown";
  EXPECT_EQ(sendOn(0, [&] { return host().globalSetup(); }), PF_Err_NONE);
  expectNothingHeld();
  // Every thread's render context is made anew, the first frame on thread 0 itself.
  for (int t : {1, 2}) {
    for (std::size_t size = 0; size < 3; ++size) {
      const Bytes frame = thread(t).call([&] { return stage->render(*stage->frameInstance, size); });
      EXPECT_EQ(frame, stage->goodFrames[size]) << "thread " << t << ", size " << size;
    }
  }
}

void FaultMatrix::runOverlappedRenders(const Scenario& s) {
  constexpr int kFramesEach = 3;
  if (s.overlap == Overlap::WithHandleSuiteMissing) host().faults().missingSuites.insert("PF Handle Suite");
  const std::uint8_t poison = 0x77;
  std::vector<World> outputs;
  std::vector<std::size_t> sizeOf;
  for (int t = 0; t < kThreads; ++t) {
    for (int f = 0; f < kFramesEach; ++f) {
      const std::size_t size = s.overlap == Overlap::MixedSizes ? std::size_t((t + f) % 3) : 0;
      outputs.push_back(poisoned(size, poison));
      sizeOf.push_back(size);
    }
  }
  resetEdgeFlags(*stage->edgeInstance);
  struct Result {
    PF_Err err;
    bool ownContext;
  };
  std::vector<std::future<Result>> results;
  std::vector<std::future<Result>> interfaceResults;
  for (int t = 0; t < kThreads; ++t) {
    HostThread& on = thread(t);
    for (int f = 0; f < kFramesEach; ++f) {
      const std::size_t k = std::size_t(t * kFramesEach + f);
      if (s.overlap == Overlap::WithInterfaceCommands && t == 2) {
        interfaceResults.push_back(on.post([&, f] {
          const PF_Err err = f % 2 ? host().updateParamsUI(*stage->edgeInstance)
                                   : host().userChangedParam(*stage->edgeInstance, kEdgeType);
          return Result{err, on.ownContextCurrent()};
        }));
        continue;
      }
      EffectInstance* instance =
          s.overlap == Overlap::MixedSizes ? stage->threadInstances[std::size_t(t)] : stage->frameInstance;
      results.push_back(on.post([&, k, instance] {
        const PF_Err err = host().render(*instance, stage->inputs[sizeOf[k]], outputs[k]);
        return Result{err, on.ownContextCurrent()};
      }));
    }
  }
  for (auto& r : interfaceResults) {
    const Result result = r.get();
    EXPECT_EQ(result.err, PF_Err_NONE);
    EXPECT_TRUE(result.ownContext);
  }
  std::size_t k = 0;
  for (int t = 0; t < kThreads; ++t) {
    for (int f = 0; f < kFramesEach; ++f, ++k) {
      if (s.overlap == Overlap::WithInterfaceCommands && t == 2) continue;
      const Result result = results.front().get();
      results.erase(results.begin());
      EXPECT_EQ(result.err, s.expected) << "thread " << t << ", frame " << f;
      EXPECT_TRUE(result.ownContext) << "thread " << t << ", frame " << f;
      if (s.expected == PF_Err_NONE) {
        EXPECT_EQ(pixelBytes(outputs[k]), stage->goodFrames[sizeOf[k]]) << "thread " << t << ", frame " << f;
      } else {
        EXPECT_TRUE(untouched(outputs[k], poison)) << "thread " << t << ", frame " << f;
      }
    }
  }
  host().faults() = {};
  expectNothingHeld();
  if (s.overlap == Overlap::WithInterfaceCommands) {
    const std::vector<bool> strokeShown = {true, true, true, false, false, false};
    EXPECT_EQ(hiddenFlags(*stage->edgeInstance), strokeShown);
  }
}

// Runs in a fresh process, where no context has been made yet; exits 0 when all went right.
[[noreturn]] void openGLPlatformRefusesChild(const Scenario& s) {
  minihost::Host host(vantrel_test::modulePath());
  host.faults().openGLPlatformRefuses = true;
  bool right = host.paramsSetup() == PF_Err_NONE;
  EffectInstance& instance = host.newInstance();
  const PF_Err setup = host.globalSetup();
  const std::string reason = host.outData().return_msg;
  right = right && setup == s.expected && reason.find("OpenGL") != std::string::npos &&
          !vantrel_faults::anyContextCurrent() && vantrel_test::leaksNothing(host);
  // Without a driver no frame can be made either: it fails the same way, untouched.
  World input = testPicture(24, 16), output(24, 16);
  std::fill(output.bytes().begin(), output.bytes().end(), std::uint8_t(0x42));
  const PF_Err render = host.render(instance, input, output);
  right = right && render == s.expected && untouched(output, 0x42) && vantrel_test::leaksNothing(host) &&
          !vantrel_faults::anyContextCurrent();
  const PF_Err setdown = host.globalSetdown();
  right = right && setdown == PF_Err_NONE;
  std::fprintf(stderr, "global setup %d, render %d, setdown %d: %s\n", setup, render, setdown, reason.c_str());
  std::exit(right ? 0 : 1);
}

void runOpenGLPlatformRefuses(const Scenario& s) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(openGLPlatformRefusesChild(s), testing::ExitedWithCode(0),
              "global setup 516, render 516, setdown 0: QN Vantrel: cannot create an OpenGL");
}

TEST_P(FaultMatrix, FailsCleanlyAndTheNextFrameIsRight) {
  const Scenario& s = GetParam();
  if (s.kind == Kind::OpenGLPlatformRefuses) return runOpenGLPlatformRefuses(s);

  if (!stage) stage = std::make_unique<Stage>();
  if (!stage->ready) GTEST_SKIP() << stage->notReady;

  testing::internal::CaptureStdout();  // context information blocks, shader logs for shape 0
  // The module's OpenGL calls reach this process's glbinding only where the two share it:
  // the Linux module links glbinding as a shared library, the Windows one has its own.
  std::optional<vantrel_test::GlObjectCounter> counter;
  if (VANTREL_MODULE_SHARES_GLBINDING) counter.emplace();
  switch (s.kind) {
    case Kind::SuiteMissing: runSuiteMissing(s); break;
    case Kind::AddParamFails: runAddParamFails(s); break;
    case Kind::CheckoutFails: runCheckoutFails(s); break;
    case Kind::HandleAllocationFails: runRenderFault(s); break;
    case Kind::RenderContextRefused: runRenderContextRefused(s); break;
    case Kind::SetupAfterSetdown: runSetupAfterSetdown(s); break;
    case Kind::OverlappedRenders: runOverlappedRenders(s); break;
    case Kind::OpenGLPlatformRefuses: break;
  }
  host().faults() = {};
  expectNextFrameRight(0);
  expectNothingHeld();

  // Shared objects come back to their count; framebuffers and vertex arrays belong to
  // one context each, three and two for every render context the row made (those of a
  // context deleted at setdown go with it).
  std::map<std::string, long> expectedObjects;
  if (s.newRenderContexts) {
    expectedObjects["framebuffer"] = 3L * s.newRenderContexts;
    expectedObjects["vertex array"] = 2L * s.newRenderContexts;
  }
  const std::string printed = testing::internal::GetCapturedStdout();
  if (counter) {
    const std::map<std::string, long> objects = withoutZeros(counter->live());
    EXPECT_EQ(objects, expectedObjects) << "OpenGL objects left: " << describe(objects) << ", expected "
                                        << describe(expectedObjects);
  }
  if (HasFailure()) std::printf("what the effect printed:\n%s\n", printed.c_str());
}

INSTANTIATE_TEST_SUITE_P(Rows, FaultMatrix, testing::ValuesIn(scenarios()),
                         [](const testing::TestParamInfo<Scenario>& row) { return row.param.name; });

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
  int run = 0, failed = 0;
  for (int i = 0; i < unit.total_test_suite_count(); ++i) {
    const testing::TestSuite& suite = *unit.GetTestSuite(i);
    if (std::string(suite.name()) != "Rows/FaultMatrix") continue;
    run = suite.test_to_run_count();
    failed = suite.failed_test_count();
  }
  std::printf("fault matrix: %zu scenarios, %d run, %d failed\n", scenarios().size(), run, failed);
  return result;
}
