#include "ThreadContexts.h"

#include <atomic>
#include <map>
#include <memory>

#include "AE_Effect.h"
#include "GlobalContext.h"

namespace Quillon::Vantrel {

std::recursive_mutex renderMutex;

namespace {

thread_local A_long renderThreadIndex = -1;
std::atomic<A_long> nextRenderThreadIndex{0};
// Never destroyed: emptied by global setdown alone (see GlobalContext.h).
auto& threadContexts = *new std::map<A_long, std::unique_ptr<AEOpenGLContext>>;

}  // namespace

AEOpenGLContext& acquireThreadContext() {
  std::lock_guard<std::recursive_mutex> lock(renderMutex);
  if (renderThreadIndex == -1) renderThreadIndex = nextRenderThreadIndex.fetch_add(1);
  std::unique_ptr<AEOpenGLContext>& context = threadContexts[renderThreadIndex];
  if (!context) context = std::make_unique<AEOpenGLContext>(&makeGlobalContext());
  return *context;
}

void releaseThreadContexts() {
  for (auto& entry : threadContexts) entry.second.reset();
  threadContexts.clear();
}

}  // namespace Quillon::Vantrel
