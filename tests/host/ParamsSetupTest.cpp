// The parameter list as the host receives it, compared record by record with what a host
// must see: every field the effect sets, and zero everywhere else.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "TestHost.h"

namespace {

struct Expected {
  PF_ParamDef def;
  std::optional<std::string> text;  // popup choices or checkbox label; none for a null pointer
};

Expected base(A_long id, PF_ParamType type, const char* name, PF_ParamUIFlags ui = 0, PF_ParamFlags flags = 0) {
  Expected e;
  std::memset(&e.def, 0, sizeof e.def);
  e.def.id = id;
  e.def.param_type = type;
  if (name) std::strcpy(e.def.name, name);
  e.def.ui_flags = ui;
  e.def.flags = flags;
  return e;
}

Expected popup(A_long id, const char* name, A_long dflt, A_short count, const char* choices) {
  Expected e = base(id, PF_Param_POPUP, name, 0, 0x40);
  e.def.u.pd.value = dflt;
  e.def.u.pd.num_choices = count;
  e.def.u.pd.dephault = A_short(dflt);
  e.text = choices;
  return e;
}

Expected slider(A_long id, const char* name, A_long dflt, A_long vmin, A_long vmax, A_long smin, A_long smax,
                PF_ParamUIFlags ui = 0) {
  Expected e = base(id, PF_Param_SLIDER, name, ui);
  e.def.u.sd = PF_SliderDef{dflt, {}, {}, vmin, vmax, smin, smax, dflt};
  return e;
}

Expected floatSlider(A_long id, const char* name, float dflt, float vmin, float vmax, float smin, float smax,
                     A_short precision, bool percent, PF_ParamUIFlags ui = 0) {
  Expected e = base(id, PF_Param_FLOAT_SLIDER, name, ui);
  // Field by field: a whole struct assigned may leave its padding other than zero.
  PF_FloatSliderDef& fs = e.def.u.fs_d;
  fs.value = dflt;
  fs.valid_min = vmin;
  fs.valid_max = vmax;
  fs.slider_min = smin;
  fs.slider_max = smax;
  fs.dephault = dflt;
  fs.precision = precision;
  fs.display_flags = percent ? 1 : 0;
  fs.curve_tolerance = 0.05f;
  return e;
}

Expected color(A_long id, const char* name, PF_ParamUIFlags ui = 0) {
  Expected e = base(id, PF_Param_COLOR, name, ui);
  e.def.u.cd.value = e.def.u.cd.dephault = PF_Pixel{255, 0, 0, 0};
  return e;
}

std::vector<Expected> expectedParams() {
  std::vector<Expected> list;
  list.push_back(popup(1, "Shape Type", 1, 9, "Circle|Ring|Cross|Triangle|Rectangle|Hexagon|Octagon|T Shape|Chevron"));
  list.push_back(slider(2, "Shape Size 1", 300, 0, 2000, 0, 2000));
  list.push_back(slider(3, "Shape Size 2", 50, 0, 2000, 0, 2000));
  Expected center = base(4, PF_Param_POINT, "Shape Center");
  center.def.u.td.x_value = center.def.u.td.x_dephault = 3276800;
  center.def.u.td.y_value = center.def.u.td.y_dephault = 3276800;
  list.push_back(center);
  list.push_back(base(5, PF_Param_ANGLE, "Shape Rotation"));
  list.push_back(popup(6, "Fill Type", 1, 2, "Fill Outside|Fill Inside"));
  list.push_back(base(7, PF_Param_CHECKBOX, "Transparent Background"));
  list.back().text = "";
  list.push_back(base(8, PF_Param_GROUP_START, "Edge"));
  list.push_back(popup(9, "Edge Type", 1, 2, "Shadow|Stroke"));
  list.push_back(slider(10, "Shadow Size", 100, 0, 1000, 0, 500));
  list.push_back(color(11, "Shadow Color"));
  list.push_back(floatSlider(12, "Shadow Opacity", 40, 0, 100, 0, 100, 0, true));
  list.push_back(slider(13, "Stroke Size", 10, 0, 60, 0, 30, PF_PUI_INVISIBLE));
  list.push_back(color(14, "Stroke Color", PF_PUI_INVISIBLE));
  list.push_back(floatSlider(15, "Stroke Opacity", 100, 0, 100, 0, 100, 0, true, PF_PUI_INVISIBLE));
  list.push_back(base(16, PF_Param_GROUP_END, nullptr));
  list.push_back(base(17, PF_Param_GROUP_START, "Echo"));
  list.push_back(slider(18, "Instances", 5, 1, 20, 1, 10));
  list.push_back(floatSlider(19, "Shape Size 1 Offset", 0, -1000, 1000, -300, 300, 1, false));
  list.push_back(floatSlider(20, "Shape Size 2 Offset", 0, -1000, 1000, -300, 300, 1, false));
  list.push_back(floatSlider(21, "Position X Offset", 0, -2000, 2000, -300, 300, 1, false));
  list.push_back(floatSlider(22, "Position Y Offset", 0, -2000, 2000, -300, 300, 1, false));
  list.push_back(floatSlider(23, "Scale X Offset", 10, -200, 200, -100, 100, 1, true));
  list.push_back(floatSlider(24, "Scale Y Offset", 10, -200, 200, -100, 100, 1, true));
  list.push_back(floatSlider(25, "Rotation Offset", 0, -360, 360, -360, 360, 1, false));
  list.push_back(floatSlider(26, "Opacity Offset", 0, 0, 100, 0, 100, 1, true));
  list.push_back(base(27, PF_Param_GROUP_END, nullptr));
  return list;
}

TEST(ParamsSetup, DeclaresTheTwentySevenControlsExactly) {
  minihost::Host host(vantrel_test::modulePath());
  ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
  EXPECT_EQ(host.outData().num_params, 28);

  const auto expected = expectedParams();
  ASSERT_EQ(host.params().size(), expected.size() + 1);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const minihost::DeclaredParam& got = host.params()[i + 1];
    SCOPED_TRACE("index " + std::to_string(i + 1) + " " + got.name());
    EXPECT_EQ(got.raw().id, A_long(i + 1));
    EXPECT_EQ(std::memcmp(&got.raw(), &expected[i].def, sizeof(PF_ParamDef)), 0);
    EXPECT_EQ(got.text(), expected[i].text);
  }
}

}  // namespace
