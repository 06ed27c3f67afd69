// qn_vantrel.so as an application drives it: its controls against vantrel's settings, and
// frames in every order of instances and global setup and setdown a host may use.
#include <dlfcn.h>
#include <gtest/gtest.h>

extern "C" {
#include <frei0r.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <fstream>
#include <thread>

#include "Controls.h"
#include "ParamAssignment.h"

namespace {

using namespace vantrel_frei0r;

// Left loaded, as applications leave it: the filter keeps its host for the process's life.
#define F0R(name) decltype(&f0r_##name) name = reinterpret_cast<decltype(&f0r_##name)>(dlsym(library, "f0r_" #name))
struct Filter {
  void* library = dlopen(QN_VANTREL_FILTER, RTLD_NOW | RTLD_LOCAL);
  F0R(init); F0R(deinit); F0R(get_plugin_info); F0R(get_param_info); F0R(construct); F0R(destruct);
  F0R(set_param_value); F0R(get_param_value); F0R(update);
};
union Param { f0r_param_double d; f0r_param_color_t c; f0r_param_position_t p; f0r_param_string s; };

// What the effect checks out for a control, in the host's units; a popup, a checkbox and
// an angle hold theirs where a slider does (the definitions' common initial member).
std::vector<double> valueOf(const PF_ParamDef& d) {
  if (d.param_type == PF_Param_FLOAT_SLIDER) return {d.u.fs_d.value};
  if (d.param_type == PF_Param_POINT) return {double(d.u.td.x_value), double(d.u.td.y_value)};
  if (d.param_type == PF_Param_COLOR) return {double(d.u.cd.value.red), double(d.u.cd.value.green), double(d.u.cd.value.blue)};
  return {double(d.u.sd.value)};
}

// Each control at its default, 0, between, 1 and beyond (a double over the span its README
// row names, a popup's choice by number or by name in capitals); then frames in the orders
// hosts use, a letter a call: i f0r_init, d f0r_deinit, c a new instance, u a frame of each
// live instance, x the oldest instance gone; last on three threads at once.
TEST(Frei0rFilter, EveryControlReachesTheEffectAsVantrelSetsItAndFramesHoldInEveryOrder) {
  const Filter f;
  ASSERT_NE(f.library, nullptr) << dlerror();
  ASSERT_EQ(f.init(), 1);
  minihost::Host host(VANTREL_MODULE);
  ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
  const std::vector<Control> controls = controlsOf(host);
  f0r_plugin_info_t info{};
  f.get_plugin_info(&info);
  EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
  ASSERT_EQ(info.num_params, int(controls.size()));
  std::ifstream file(VANTREL_README);
  std::string readme, typeNames[] = {"bool", "double", "color", "position", "string"};
  for (std::string line; std::getline(file, line);) readme += line + "\n";
  EXPECT_EQ(readme.find("\n| " + std::to_string(info.num_params) + " | "), std::string::npos) << "a README row too many";

  minihost::EffectInstance &got = host.newInstance(), &want = host.newInstance(), &byDefault = host.newInstance();
  f0r_instance_t instance = f.construct(200, 100);
  for (int k = 0; k < info.num_params; ++k) {
    const Control& c = controls[std::size_t(k)];
    f0r_param_info_t param{};
    f.get_param_info(&param, k);
    EXPECT_NE(readme.find("\n| " + std::to_string(k) + " | " + param.name + " | " + typeNames[param.type] + " | " +
                          param.explanation + " |\n"), std::string::npos) << "README row " << k;
    const char* spans = std::strstr(param.explanation, "spans ");
    char* end = nullptr;
    const double low = spans ? std::strtod(spans + 6, &end) : 0, high = spans ? std::strtod(std::strstr(end, " to ") + 4, nullptr) : 1;
    for (double t : {double(NAN), -3.0, 0.0, 0.49, 0.5, 1.0, 2.0}) {  // NaN: the default as read back, set again
      const double u = std::isnan(t) ? 0 : std::clamp(t, 0.0, 1.0), x = low + u * (high - low);
      const std::size_t n = c.choices.size(), choice = n ? std::size_t(std::lround(u * double(n - 1))) : 0;
      std::string name = !n ? "" : t > 0 && t < 1 ? std::to_string(choice + 1) : c.choices[choice];
      for (char& ch : name) ch = char(std::toupper(static_cast<unsigned char>(ch)));
      Param given{}, back{};
      char text[64];
      if (c.type == F0R_PARAM_DOUBLE) given.d = t, std::snprintf(text, sizeof text, "%.17g", std::strstr(param.explanation, "whole") ? std::round(x) : x);
      if (c.type == F0R_PARAM_BOOL) given.d = t, std::snprintf(text, sizeof text, "%s", u >= 0.5 ? "on" : "off");
      if (c.type == F0R_PARAM_COLOR) given.c = {float(t), float(1 - t), 0.25f}, std::snprintf(text, sizeof text, "#%02lX%02lX40", std::lround(u * 255), std::lround((1 - u) * 255));
      if (c.type == F0R_PARAM_POSITION) given.p = {t, 1 - t}, std::snprintf(text, sizeof text, "%.17g%%,%.17g%%", u * 100, (1 - u) * 100);
      if (c.type == F0R_PARAM_STRING) given.s = name.data(), std::snprintf(text, sizeof text, "%s", c.choices[choice].c_str());
      // Set and read back through the library, then handed to the host as the filter does at a frame.
      if (!std::isnan(t)) f.set_param_value(instance, &given, k);
      f.get_param_value(instance, &back, k);
      Value value;
      EXPECT_TRUE(assign(c, &back, value)) << c.name;
      got.set(c.index, hostValue(c, value), c.type == F0R_PARAM_POSITION);
      if (!std::isnan(t)) vantrel::applyParamAssignment(host, want, c.name + "=" + text);
      const std::vector<double> a = valueOf(got.checkout(c.index, {0, 200, 100, 1}));
      const std::vector<double> b = valueOf((std::isnan(t) ? byDefault : want).checkout(c.index, {0, 200, 100, 1}));
      const auto near = [](double p, double q) { return std::abs(p - q) <= 1e-9 * std::max(1.0, std::abs(q)); };
      EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end(), near)) << c.name << " given " << (n ? name : std::to_string(t)) << ", not --set \"" << c.name << "=" << text << "\"";
    }
  }
  f.destruct(instance);

  std::vector<std::uint32_t> in(32 * 16), frame;
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = std::uint32_t(i * 2654435761u) | 0xFF000000u;
  double size = 0.005;  // Shape Size 1 at 10 pixels: the echoes show in the frame
  const auto run = [&](const std::string& order) {
    std::deque<f0r_instance_t> live;
    for (char call : order) {
      if (call == 'i') f.init();
      if (call == 'd') f.deinit();
      if (call == 'c') live.push_back(f.construct(32, 16)), f.set_param_value(live.back(), &size, 1);
      for (std::size_t k = 0; call == 'u' && k < live.size(); ++k) {
        std::vector<std::uint32_t> out(in.size());
        f.update(live[k], 0, in.data(), out.data());
        if (frame.empty()) frame = out;
        EXPECT_TRUE(out == frame && out != in) << order << ": frame " << k;
      }
      if (call == 'x') f.destruct(live.front()), live.pop_front();
    }
  };
  for (const char* order : {"cuxd", "icduxicuxd", "iicduuxd", "icucuxuxd", "cuxicudx", "icuicdxcuxdx", "i"}) run(order);
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) threads.emplace_back(run, "cucuxuxcux");
  for (std::thread& thread : threads) thread.join();
  f.deinit();
}

}  // namespace
