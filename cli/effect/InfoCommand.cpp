#include "InfoCommand.h"

#include <iomanip>

#include "ControlDisplay.h"
#include "EffectCall.h"
#include "Host.h"

namespace vantrel {
namespace {

std::string indentLines(std::string text, const std::string& indent) {
  for (std::size_t at = 0; (at = text.find_first_of("\r\n", at)) != std::string::npos; at += indent.size() + 1) {
    text.replace(at, 1, "\n" + indent);
  }
  return text;
}

void printControls(minihost::Host& host, std::ostream& out) {
  const minihost::EffectInstance& instance = host.newInstance();
  const auto& params = host.params();
  out << "Controls (" << params.size() - 1 << "):\n";
  out << std::left << "  " << std::setw(4) << "#" << std::setw(25) << "Name" << std::setw(14) << "Type"
      << std::setw(14) << "Default" << std::setw(20) << "Valid" << std::setw(20) << "Slider"
      << "Shown\n";
  std::string group;
  for (std::size_t i = 1; i < params.size(); ++i) {
    const minihost::DeclaredParam& param = params[i];
    std::string name = param.name();
    if (param.type() == PF_Param_GROUP_START) group = name;
    if (param.type() == PF_Param_GROUP_END) name = "(end of " + group + ")";
    out << "  " << std::setw(4) << i << std::setw(25) << name << std::setw(14) << minihost::typeName(param.type())
        << std::setw(14) << minihost::formatDefault(param) << std::setw(20) << minihost::formatValidRange(param)
        << std::setw(20) << minihost::formatSliderRange(param)
        << (instance.hidden(PF_ParamIndex(i)) ? "hidden" : "shown") << "\n";
    const auto choices = minihost::popupChoices(param);
    for (std::size_t c = 0; c < choices.size(); ++c) {
      out << "        " << c + 1 << " " << choices[c] << "\n";
    }
  }
}

// The value of the diagnostics line that starts with `label`, or empty.
std::string lineValue(const std::string& text, const std::string& label) {
  const std::size_t at = text.find(label);
  if (at == std::string::npos) return "";
  const std::size_t start = text.find_first_not_of(' ', at + label.size());
  if (start == std::string::npos) return "";
  return text.substr(start, text.find('\n', start) - start);
}

// What the effect's context renders on: a global setup, with its diagnostics kept, reads
// the renderer and, on EGL, the device and why it was chosen.
std::string renderer(minihost::Host& host) {
  std::string diagnostics;
  host.setDiagnostics([&](const char* text) { diagnostics += text; });
  host.outData().return_msg[0] = '\0';
  const PF_Err err = host.globalSetup();
  host.setDiagnostics(nullptr);
  const std::string message = host.outData().return_msg;
  host.globalSetdown();
  if (err != PF_Err_NONE) return "nothing: " + message;
  std::string result = lineValue(diagnostics, "OpenGL Renderer:");
  if (const std::string device = lineValue(diagnostics, "EGL Device:"); !device.empty()) {
    result += ", EGL device " + device;
  }
  return result;
}

}  // namespace

int runInfo(const std::string& modulePath, std::ostream& out) {
  minihost::Host host(modulePath);
  const minihost::PiplInfo& pipl = host.module().pipl();
  callEffect(host, "about", [&] { return host.about(); });
  const std::string about = host.outData().return_msg;
  const std::string rendersOn = renderer(host);
  callEffect(host, "parameter setup", [&] { return host.paramsSetup(); });

  out << std::left;
  out << std::setw(12) << "Effect" << pipl.name << "\n";
  out << std::setw(12) << "Category" << pipl.category << "\n";
  out << std::setw(12) << "Match name" << pipl.matchName << "\n";
  out << std::setw(12) << "Version" << minihost::formatVersion(pipl.version) << "\n";
  out << std::setw(12) << "Module" << host.module().path() << "\n";
  out << std::setw(12) << "About" << indentLines(about, std::string(12, ' ')) << "\n";
  out << std::setw(12) << "Renders on" << rendersOn << "\n\n";
  printControls(host, out);
  return 0;
}

}  // namespace vantrel
