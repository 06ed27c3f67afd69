// qn_vantrel.so as an application drives it: every control, set through the library and
// read back, reaches the effect as `vantrel render --set` of the value its README row
// names; defaults read back as the host shows them; and frames stay right in every order
// of instances and global setup and setdown a host may use.
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
#include <string>
#include <thread>
#include <vector>

#include "Controls.h"
#include "ParamAssignment.h"

namespace {

using namespace vantrel_frei0r;

// Left loaded, as applications leave it: the filter keeps its host for the life of the
// process, and unloading it would turn that into a leak.
#define F0R(name) decltype(&f0r_##name) name = reinterpret_cast<decltype(&f0r_##name)>(dlsym(library, "f0r_" #name))
struct Filter {
  void* library = dlopen(QN_VANTREL_FILTER, RTLD_NOW | RTLD_LOCAL);
  F0R(init); F0R(deinit); F0R(get_plugin_info); F0R(get_param_info); F0R(construct); F0R(destruct);
  F0R(set_param_value); F0R(get_param_value); F0R(update);
};
union Param { f0r_param_double d; f0r_param_color_t c; f0r_param_position_t p; f0r_param_string s; };

// The value a checked-out control holds, in the host's units.
std::vector<double> valueOf(const PF_ParamDef& d) {
  switch (d.param_type) {
    case PF_Param_POPUP: return {double(d.u.pd.value)};
    case PF_Param_CHECKBOX: return {double(d.u.bd.value)};
    case PF_Param_SLIDER: return {double(d.u.sd.value)};
    case PF_Param_FLOAT_SLIDER: return {d.u.fs_d.value};
    case PF_Param_ANGLE: return {double(d.u.ad.value)};
    case PF_Param_POINT: return {double(d.u.td.x_value), double(d.u.td.y_value)};
    case PF_Param_COLOR: return {double(d.u.cd.value.red), double(d.u.cd.value.green), double(d.u.cd.value.blue), double(d.u.cd.value.alpha)};
    default: return {};
  }
}

// Each control at 0, between and 1 and beyond both ends: a double over the span its README
// row names, a popup's choice by name in capitals or by number.
TEST(Frei0rControls, EachValueReachesTheEffectAsVantrelRenderSetsIt) {
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
  std::string readme;
  for (std::string line; std::getline(file, line);) readme += line + "\n";
  EXPECT_EQ(readme.find("\n| " + std::to_string(info.num_params) + " | "), std::string::npos) << "a README row too many";
  const char* typeNames[] = {"bool", "double", "color", "position", "string"};

  minihost::EffectInstance &got = host.newInstance(), &want = host.newInstance(), &byDefault = host.newInstance();
  f0r_instance_t instance = f.construct(200, 100);
  const auto same = [&](PF_ParamIndex i, const minihost::EffectInstance& as) {
    const std::vector<double> a = valueOf(got.checkout(i, {0, 200, 100, 1})), b = valueOf(as.checkout(i, {0, 200, 100, 1}));
    const auto near = [](double x, double y) { return std::abs(x - y) <= 1e-9 * std::max(1.0, std::abs(y)); };
    return !a.empty() && a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), near);
  };
  // Set (unless null) and read back through the library, then handed to the host as the
  // filter hands it at a frame.
  const auto reach = [&](int k, const Param* given) {
    if (given) f.set_param_value(instance, const_cast<Param*>(given), k);
    Param back{};
    f.get_param_value(instance, &back, k);
    const Control& c = controls[std::size_t(k)];
    Value value;
    EXPECT_TRUE(assign(c, &back, value)) << c.name;
    got.set(c.index, hostValue(c, value), c.type == F0R_PARAM_POSITION);
  };
  for (int k = 0; k < info.num_params; ++k) {
    const Control& c = controls[std::size_t(k)];
    f0r_param_info_t param{};
    f.get_param_info(&param, k);
    EXPECT_NE(readme.find("\n| " + std::to_string(k) + " | " + param.name + " | " + typeNames[param.type] + " | " +
                          param.explanation + " |\n"), std::string::npos) << "README row " << k;
    reach(k, nullptr);
    EXPECT_TRUE(same(c.index, byDefault)) << c.name << " read back at its default";
    const char* spans = std::strstr(param.explanation, "spans ");
    char* end = nullptr;
    const double low = spans ? std::strtod(spans + 6, &end) : 0, high = spans ? std::strtod(std::strstr(end, " to ") + 4, nullptr) : 1;
    for (double t : {-3.0, 0.0, 0.49, 0.5, 1.0, 2.0}) {
      const double u = std::clamp(t, 0.0, 1.0), x = low + u * (high - low);
      const std::size_t n = c.choices.size(), choice = n ? std::size_t(std::lround(u * double(n - 1))) : 0;
      std::string name = !n ? "" : t > 0 && t < 1 ? std::to_string(choice + 1) : c.choices[choice];
      for (char& ch : name) ch = char(std::toupper(static_cast<unsigned char>(ch)));
      Param given{};
      char text[64];
      if (c.type == F0R_PARAM_DOUBLE) given.d = t, std::snprintf(text, sizeof text, "%.17g", std::strstr(param.explanation, "whole") ? std::round(x) : x);
      if (c.type == F0R_PARAM_BOOL) given.d = t, std::snprintf(text, sizeof text, "%s", u >= 0.5 ? "on" : "off");
      if (c.type == F0R_PARAM_COLOR) given.c = {float(t), float(1 - t), 0.25f}, std::snprintf(text, sizeof text, "#%02lX%02lX40", std::lround(u * 255), std::lround((1 - u) * 255));
      if (c.type == F0R_PARAM_POSITION) given.p = {t, 1 - t}, std::snprintf(text, sizeof text, "%.17g%%,%.17g%%", u * 100, (1 - u) * 100);
      if (c.type == F0R_PARAM_STRING) given.s = name.data(), std::snprintf(text, sizeof text, "%s", c.choices[choice].c_str());
      reach(k, &given);
      vantrel::applyParamAssignment(host, want, c.name + "=" + text);
      EXPECT_TRUE(same(c.index, want)) << c.name << " given " << (n ? name : std::to_string(t)) << ", not as --set \"" << c.name << "=" << text << "\"";
    }
  }
  f.destruct(instance);
  f.deinit();
}

// The orders, a letter a call: i f0r_init, d f0r_deinit, c a new instance, u a frame of
// each live instance, x the oldest instance gone; on one thread, then on three at once.
TEST(Frei0rLifecycle, FramesAreRightInEveryOrderOfInstancesAndSetup) {
  const Filter f;
  ASSERT_NE(f.library, nullptr) << dlerror();
  std::vector<std::uint32_t> in(32 * 16);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = std::uint32_t(i * 2654435761u) | 0xFF000000u;
  std::vector<std::uint32_t> want;
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
        if (want.empty()) want = out;
        EXPECT_TRUE(out == want && out != in) << order << ": frame " << k;
      }
      if (call == 'x') f.destruct(live.front()), live.pop_front();
    }
  };
  for (const char* order : {"icuxd", "icduxicuxd", "iicduuxd", "icucuxuxd", "cuxicudx", "icuicdxcuxdx"}) run(order);
  f.init();
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) threads.emplace_back(run, "cucuxuxcux");
  for (std::thread& thread : threads) thread.join();
  f.deinit();
}

}  // namespace
