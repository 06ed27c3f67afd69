// The OpenGL calls frames make, as glbinding reports them to the test. Linux only: there
// the module and the test share the system's glbinding; the Windows module links a copy
// of its own, whose calls the test's copy never sees.
#include <gtest/gtest.h>

#include "GlCallRecorder.h"
#include "HostThread.h"
#include "RenderLifecycle.h"

namespace {

using minihost::HostThread;
using vantrel_test::RenderLifecycle;

TEST_F(RenderLifecycle, TheTargetIsRemadeOnlyForANewSizeAndTheProgramOnlyForANewShape) {
  frame(64, 48);  // the first frame makes the target and both programs
  // Textures, renderbuffers, buffers and vertex arrays made by a frame.
  const auto made = [](const vantrel_test::GlCallRecorder& recorder) {
    return recorder.count("glGenTextures") + recorder.count("glGenRenderbuffers") + recorder.count("glGenBuffers") +
           recorder.count("glGenVertexArrays");
  };
  struct Step {
    A_long width, height, shapeType;
    std::size_t outputStorages, framebuffers, links, objects;
  };
  const Step steps[] = {
      {64, 48, 1, 0, 0, 0, 0},  // same size, same shape: nothing made
      {80, 40, 1, 1, 0, 0, 4},  // new size: input texture, layer, resolved texture, output
      {80, 48, 1, 1, 0, 0, 4},  // a new height alone
      {64, 48, 1, 1, 0, 0, 4},  // a new width alone
      {80, 40, 1, 1, 0, 0, 4},
      {80, 40, 3, 0, 0, 1, 0},  // new shape: one link
      {80, 40, 3, 0, 0, 0, 0},
      {80, 40, 1, 0, 0, 1, 0},  // back again: compiled again
  };
  for (const Step& step : steps) {
    fixture.instance->set(1, {double(step.shapeType)});
    vantrel_test::GlCallRecorder recorder;
    frame(step.width, step.height);
    EXPECT_EQ(recorder.count("glRenderbufferStorage"), step.outputStorages) << step.width << "x" << step.height;
    EXPECT_EQ(recorder.count("glGenFramebuffers"), step.framebuffers);
    EXPECT_EQ(recorder.count("glLinkProgram"), step.links) << "shape " << step.shapeType;
    EXPECT_EQ(made(recorder), step.objects) << step.width << "x" << step.height << ", shape " << step.shapeType;
  }
  // A new render thread has framebuffers and vertex arrays of its own, once.
  HostThread other;
  for (std::size_t framebuffers : {3u, 0u}) {
    vantrel_test::GlCallRecorder recorder;
    other.call([&] { return frame(80, 40); });
    EXPECT_EQ(recorder.count("glGenFramebuffers"), framebuffers);
    EXPECT_EQ(recorder.count("glGenVertexArrays"), framebuffers ? 2u : 0u);
    EXPECT_EQ(made(recorder), framebuffers ? 2u : 0u);
  }
}

}  // namespace
