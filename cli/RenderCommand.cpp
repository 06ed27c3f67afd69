#include "RenderCommand.h"

#include "BuiltInPicture.h"
#include "EffectCall.h"
#include "Host.h"
#include "ParamAssignment.h"
#include "PngFile.h"
#include "ReplacingFile.h"
#include "RgbaImage.h"
#include "StdoutToStderr.h"

namespace vantrel {
namespace {

// Global setup on construction; global setdown on destruction for a session that
// ends by an error (its result is then beside the point), or checked by end().
class GlobalSession {
 public:
  explicit GlobalSession(minihost::Host& host) : host_(host) {
    callEffect(host_, "global setup", [&] { return host_.globalSetup(); });
    open_ = true;
  }
  ~GlobalSession() {
    if (open_) host_.globalSetdown();
  }
  GlobalSession(const GlobalSession&) = delete;
  GlobalSession& operator=(const GlobalSession&) = delete;

  void end() {
    open_ = false;
    callEffect(host_, "global setdown", [&] { return host_.globalSetdown(); });
  }

 private:
  minihost::Host& host_;
  bool open_ = false;
};

minihost::World renderFrame(minihost::Host& host, minihost::EffectInstance& instance, minihost::World& input) {
  minihost::World output(input.width(), input.height());
  const StdoutToStderr diagnosticsToStderr;
  GlobalSession session(host);
  callEffect(host, "render", [&] { return host.render(instance, input, output); });
  session.end();
  return output;
}

}  // namespace

int runRender(const std::string& modulePath, const RenderRequest& request) {
  minihost::Host host(modulePath);
  callEffect(host, "parameter setup", [&] { return host.paramsSetup(); });
  minihost::EffectInstance& instance = host.newInstance();
  for (const std::string& assignment : request.assignments) applyParamAssignment(host, instance, assignment);

  // Opened first, so that an output that cannot be written is refused before the work.
  ReplacingFile output(request.output);
  minihost::World input = toWorld(request.input.empty() ? builtInPicture() : readPng(request.input));
  writePng(output, fromWorld(renderFrame(host, instance, input)));
  return 0;
}

}  // namespace vantrel
