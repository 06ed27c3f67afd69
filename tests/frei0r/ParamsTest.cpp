// qn_vantrel.so's parameters as an application sees them: named as the controls, values
// given back as set, and values out of range clamped.
#include <dlfcn.h>
#include <gtest/gtest.h>

extern "C" {
#include <frei0r.h>
}

#include <fstream>
#include <string>

namespace {

// Left loaded, as applications leave it: the filter keeps its host for the life of the
// process, and unloading it would turn that into a leak.
struct Filter {
  void* library = dlopen(QN_VANTREL_FILTER, RTLD_NOW | RTLD_LOCAL);
  template <typename F>
  F get(const char* name) const {
    return reinterpret_cast<F>(dlsym(library, name));
  }
};

TEST(Frei0rParams, NamedAsTheControlsAndClampedToTheirRange) {
  const Filter filter;
  ASSERT_NE(filter.library, nullptr) << dlerror();
  ASSERT_EQ(filter.get<int (*)()>("f0r_init")(), 1);
  f0r_plugin_info_t info{};
  filter.get<void (*)(f0r_plugin_info_t*)>("f0r_get_plugin_info")(&info);
  EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
  EXPECT_EQ(info.num_params, 23);  // the 27 controls less two groups' starts and ends

  const auto paramInfo = filter.get<void (*)(f0r_param_info_t*, int)>("f0r_get_param_info");
  f0r_param_info_t type{}, size{};
  paramInfo(&type, 0);
  paramInfo(&size, 1);
  EXPECT_EQ(std::string(type.name), "Shape Type");
  EXPECT_EQ(type.type, F0R_PARAM_STRING);
  EXPECT_EQ(std::string(size.name), "Shape Size 1");
  EXPECT_EQ(size.type, F0R_PARAM_DOUBLE);

  // The README's table is the filter's own listing, row for row.
  const char* typeNames[] = {"bool", "double", "color", "position", "string"};
  std::ifstream readme(VANTREL_README);
  int row = 0;
  for (std::string line; std::getline(readme, line);) {
    if (line.rfind("| " + std::to_string(row) + " | ", 0) != 0) continue;
    f0r_param_info_t param{};
    paramInfo(&param, row);
    EXPECT_EQ(line, "| " + std::to_string(row) + " | " + param.name + " | " + typeNames[param.type] + " | " +
                        param.explanation + " |");
    ++row;
  }
  EXPECT_EQ(row, info.num_params);

  const auto construct = filter.get<f0r_instance_t (*)(unsigned, unsigned)>("f0r_construct");
  const auto set = filter.get<void (*)(f0r_instance_t, f0r_param_t, int)>("f0r_set_param_value");
  const auto get = filter.get<void (*)(f0r_instance_t, f0r_param_t, int)>("f0r_get_param_value");
  f0r_instance_t instance = construct(16, 8);
  ASSERT_NE(instance, nullptr);
  // Shape Size 1 (a double) and Transparent Background (a bool: on from 0.5).
  const struct {
    int index;
    double given, kept;
  } values[] = {{1, 0.25, 0.25}, {1, 2.0, 1.0}, {1, -3.0, 0.0}, {6, 0.5, 1.0}, {6, 0.49, 0.0}};
  for (const auto& v : values) {
    double value = v.given, back = -1;
    set(instance, &value, v.index);
    get(instance, &back, v.index);
    EXPECT_DOUBLE_EQ(back, v.kept) << "parameter " << v.index << " set to " << v.given;
  }
  const char* choice = "hexagon";
  set(instance, &choice, 0);
  f0r_param_string shown = nullptr;
  get(instance, &shown, 0);
  EXPECT_STREQ(shown, "Hexagon");
  filter.get<void (*)(f0r_instance_t)>("f0r_destruct")(instance);
  filter.get<void (*)()>("f0r_deinit")();
}

}  // namespace
