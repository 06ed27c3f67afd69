// Many frames through the substitute host: three host threads, each with an effect
// instance and an OpenGL context of its own, rendering at the same time; frames cycle
// three sizes, all nine shapes and both edge types. After a warm-up, the OpenGL objects
// alive, the host handles held and the resident memory must stay where they were, and a
// frame must not depend on the thread that rendered it.
//
// The number of frames comes from `--frames N` or VANTREL_SOAK_FRAMES (240 by default):
// at least 163, as the warm-up takes three cycles of 54 frames.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GlObjectCounter.h"
#include "HostThread.h"
#include "ParamIndex.h"
#include "RenderHost.h"

namespace {

using minihost::HostThread;
using minihost::World;
using namespace Quillon::Vantrel;

int frameCount = 240;

// Under AddressSanitizer freed memory waits in a quarantine before it is reused, so the
// resident size grows for reasons of its own; LeakSanitizer watches for leaks there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentMemoryMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentMemoryMeaningful = false;
#else
constexpr bool kResidentMemoryMeaningful = true;
#endif
#else
constexpr bool kResidentMemoryMeaningful = true;
#endif

constexpr int kThreads = 3;
constexpr A_long kSizes[3][2] = {{64, 48}, {96, 54}, {40, 30}};
// Shape and edge type together repeat every 18 rounds (nine shapes, two edge types).
constexpr int kCycle = 18;

long residentKilobytes() {
  std::ifstream statm("/proc/self/statm");
  long sizePages = 0, residentPages = 0;
  statm >> sizePages >> residentPages;
  return residentPages * (sysconf(_SC_PAGESIZE) / 1024);
}

std::uint64_t fingerprint(const World& world) {
  std::uint64_t hash = 1469598103934665603ull;  // FNV-1a over the pixel bytes
  for (A_long y = 0; y < world.height(); ++y) {
    const auto* row = reinterpret_cast<const std::uint8_t*>(world.row(y));
    for (A_long i = 0; i < world.width() * 4; ++i) hash = (hash ^ row[i]) * 1099511628211ull;
  }
  return hash;
}

std::string describe(const std::map<std::string, long>& objects) {
  std::ostringstream text;
  for (const auto& [kind, count] : objects) text << (text.tellp() ? ", " : "") << kind << " " << count;
  return text.str();
}

struct HostHandles {
  std::size_t suites, memory, effects, streams;
  bool operator==(const HostHandles& o) const {
    return suites == o.suites && memory == o.memory && effects == o.effects && streams == o.streams;
  }
};

HostHandles handlesOf(const minihost::Host& host) {
  return {host.liveSuites(), host.liveMemoryHandles(), host.liveEffectHandles(), host.liveStreamHandles()};
}

// Round r, key k = r mod 18: shape 1 + k mod 9, edge type 1 + k / 9, and the other
// controls that change with it. The same key gives the same values on every thread.
void applyRound(minihost::EffectInstance& instance, int k) {
  instance.set(kShapeType, {double(1 + k % 9)});
  instance.set(kEdgeType, {double(1 + k / 9)});
  instance.set(kInstances, {double(1 + (7 * k) % 20)});
  instance.set(kFillType, {double(1 + (k / 3) % 2)});
  instance.set(kTransparentBackground, {double((k / 2) % 2)});
}

TEST(Soak, FramesOnThreeThreadsLeaveObjectsHandlesAndMemoryFlat) {
  vantrel_test::RenderHost fixture;
  if (!fixture.ready) GTEST_SKIP() << "no OpenGL here: " << fixture.host.outData().return_msg;
  minihost::Host& host = fixture.host;

  std::vector<minihost::EffectInstance*> instances = {fixture.instance};
  while (instances.size() < std::size_t(kThreads)) instances.push_back(&host.newInstance());
  for (minihost::EffectInstance* instance : instances) {
    instance->set(kShapeSize1, {20});
    instance->set(kShapeSize2, {8});
    instance->set(kShadowSize, {6});
    instance->set(kStrokeSize, {4});
    instance->set(kPositionXOffset, {5});
    instance->set(kRotationOffset, {12});
  }

  std::vector<World> inputs;
  for (const auto& size : kSizes) inputs.push_back(vantrel_test::testPicture(size[0], size[1]));
  std::vector<std::vector<World>> outputs(kThreads);  // per thread, per size: reused
  for (auto& perSize : outputs) {
    for (const auto& size : kSizes) perSize.emplace_back(size[0], size[1]);
  }

  const int rounds = (frameCount + kThreads - 1) / kThreads;
  // The resident size settles over the first three cycles (the allocators' pools and the
  // driver's caches fill), and stays flat after.
  const int warmupRounds = std::max(3 * kCycle, rounds / 5);
  ASSERT_GT(rounds, warmupRounds) << "too few frames for a soak: " << frameCount;

  testing::internal::CaptureStdout();  // each new context prints its information block
  std::vector<std::unique_ptr<HostThread>> threads;
  for (int t = 0; t < kThreads; ++t) threads.push_back(std::make_unique<HostThread>(true));
  for (auto& thread : threads) {
    ASSERT_TRUE(thread->call([&] { return thread->ownContextCurrent(); })) << "the host thread has its context";
  }

  vantrel_test::GlObjectCounter counter;
  std::map<std::pair<int, int>, std::uint64_t> firstFrames;  // (key, size) -> fingerprint
  std::size_t framesCompared = 0, framesDiffering = 0, failedFrames = 0, contextsLost = 0;
  std::map<std::string, long> objectsAfterWarmup;
  HostHandles handlesAfterWarmup{};
  long rssAfterWarmup = 0;

  for (int r = 0; r < rounds; ++r) {
    const int k = r % kCycle;
    for (minihost::EffectInstance* instance : instances) applyRound(*instance, k);

    struct Result {
      PF_Err err;
      bool ownContextCurrent;
    };
    std::vector<std::future<Result>> results;
    std::vector<int> sizeOf(kThreads);
    const int threadsThisRound = std::min(kThreads, frameCount - r * kThreads);  // the last may be short
    for (int t = 0; t < threadsThisRound; ++t) {
      // Each thread takes a different size every round, and from one cycle to the next
      // a given key and size move to another thread.
      const int s = (t + r + r / kCycle) % 3;
      sizeOf[std::size_t(t)] = s;
      HostThread& thread = *threads[std::size_t(t)];
      World& input = inputs[std::size_t(s)];
      World& output = outputs[std::size_t(t)][std::size_t(s)];
      minihost::EffectInstance& instance = *instances[std::size_t(t)];
      results.push_back(thread.post([&host, &thread, &instance, &input, &output] {
        const PF_Err err = host.render(instance, input, output);
        return Result{err, thread.ownContextCurrent()};
      }));
    }
    for (int t = 0; t < threadsThisRound; ++t) {
      const Result result = results[std::size_t(t)].get();
      if (result.err != PF_Err_NONE) ++failedFrames;
      if (!result.ownContextCurrent) ++contextsLost;
      const int s = sizeOf[std::size_t(t)];
      const std::uint64_t print = fingerprint(outputs[std::size_t(t)][std::size_t(s)]);
      const auto [entry, first] = firstFrames.emplace(std::make_pair(k, s), print);
      if (!first) {
        ++framesCompared;
        if (entry->second != print) {
          ++framesDiffering;
          ADD_FAILURE() << "round " << r << ", thread " << t << ": shape " << 1 + k % 9 << ", edge type "
                        << 1 + k / 9 << ", " << kSizes[s][0] << "x" << kSizes[s][1]
                        << " differs from the same frame rendered before";
        }
      }
    }
    // The journal would grow with every frame; its entries are not needed here.
    host.journal().clear();

    if (r == warmupRounds - 1) {
      objectsAfterWarmup = counter.live();
      handlesAfterWarmup = handlesOf(host);
      rssAfterWarmup = residentKilobytes();
    }
  }
  const std::map<std::string, long> objectsAtEnd = counter.live();
  const HostHandles handlesAtEnd = handlesOf(host);
  const long rssAtEnd = residentKilobytes();
  testing::internal::GetCapturedStdout();

  const double growth = 100.0 * double(rssAtEnd - rssAfterWarmup) / double(rssAfterWarmup);
  std::printf("soak: %d frames (%d after a warm-up of %d) on %d threads\n", frameCount,
              frameCount - warmupRounds * kThreads, warmupRounds * kThreads, kThreads);
  std::printf("soak: OpenGL objects after the warm-up: %s\n", describe(objectsAfterWarmup).c_str());
  std::printf("soak: OpenGL objects at the end:        %s\n", describe(objectsAtEnd).c_str());
  std::printf("soak: host suites, memory, effect, stream handles: %zu %zu %zu %zu after the warm-up, "
              "%zu %zu %zu %zu at the end\n",
              handlesAfterWarmup.suites, handlesAfterWarmup.memory, handlesAfterWarmup.effects,
              handlesAfterWarmup.streams, handlesAtEnd.suites, handlesAtEnd.memory, handlesAtEnd.effects,
              handlesAtEnd.streams);
  std::printf("soak: resident memory %ld kB after the warm-up, %ld kB at the end (%+.3f %%)\n", rssAfterWarmup,
              rssAtEnd, growth);
  std::printf("soak: %zu frames compared with the same frame rendered earlier, %zu differed\n", framesCompared,
              framesDiffering);
  std::fflush(stdout);
  RecordProperty("frames", frameCount);
  RecordProperty("rss_after_warmup_kb", std::to_string(rssAfterWarmup));
  RecordProperty("rss_at_end_kb", std::to_string(rssAtEnd));

  EXPECT_EQ(failedFrames, 0u);
  EXPECT_EQ(contextsLost, 0u) << "renders that left the host thread without its own context";
  EXPECT_GT(counter.callsSeen(), std::size_t(rounds) * 4) << "the object calls were seen";
  EXPECT_EQ(objectsAtEnd, objectsAfterWarmup);
  EXPECT_TRUE(handlesAtEnd == handlesAfterWarmup);
  EXPECT_TRUE(vantrel_test::leaksNothing(host));
  EXPECT_EQ(firstFrames.size(), std::size_t(kCycle * 3)) << "every key met every size";
  EXPECT_EQ(framesCompared, std::size_t(frameCount - kCycle * kThreads)) << "every frame after the first cycle";
  if (kResidentMemoryMeaningful) {
    EXPECT_LT(growth, 1.0) << "resident memory grew by " << growth << " % after the warm-up";
  } else {
    std::printf("soak: resident memory not checked: AddressSanitizer's quarantine holds freed memory\n");
  }

  threads.clear();
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (const char* frames = std::getenv("VANTREL_SOAK_FRAMES")) frameCount = std::atoi(frames);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) frameCount = std::atoi(argv[++i]);
  }
  if (frameCount <= 0) {
    std::fprintf(stderr, "usage: %s [--frames N] (or VANTREL_SOAK_FRAMES=N), N at least 1\n", argv[0]);
    return 2;
  }
  return RUN_ALL_TESTS();
}
