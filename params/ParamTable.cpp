#include "ParamTable.h"

namespace Quillon::Vantrel {
namespace {

constexpr PF_ValueDisplayFlags kPlain = PF_ValueDisplayFlag_NONE;
constexpr PF_ValueDisplayFlags kPercent = PF_ValueDisplayFlag_PERCENT;
constexpr PF_ParamUIFlags kHidden = PF_PUI_INVISIBLE;
constexpr PF_ParamFlags kSupervise = PF_ParamFlag_SUPERVISE;
constexpr double kOpaqueBlack = 0xFF000000u;

}  // namespace

// clang-format off
const ParamRow kParamTable[kDeclaredParamCount] = {
// name                      type                   id  default       valid           slider         prec  display   choices                                                                 ui flags  flags
{"Shape Type",               PF_Param_POPUP,         1, 1,            0,     0,       0,     0,      0,    kPlain,   "Circle|Ring|Cross|Triangle|Rectangle|Hexagon|Octagon|T Shape|Chevron", 0,        kSupervise},
{"Shape Size 1",             PF_Param_SLIDER,        2, 300,          0,     2000,    0,     2000,   0,    kPlain,   nullptr,                                                                0,        0},
{"Shape Size 2",             PF_Param_SLIDER,        3, 50,           0,     2000,    0,     2000,   0,    kPlain,   nullptr,                                                                0,        0},
{"Shape Center",             PF_Param_POINT,         4, 50,           0,     0,       0,     0,      0,    kPlain,   nullptr,                                                                0,        0},
{"Shape Rotation",           PF_Param_ANGLE,         5, 0,            0,     0,       0,     0,      0,    kPlain,   nullptr,                                                                0,        0},
{"Fill Type",                PF_Param_POPUP,         6, kFillOutside, 0,     0,       0,     0,      0,    kPlain,   "Fill Outside|Fill Inside",                                             0,        kSupervise},
{"Transparent Background",   PF_Param_CHECKBOX,      7, 0,            0,     0,       0,     0,      0,    kPlain,   "",                                                                     0,        0},
{"Edge",                     PF_Param_GROUP_START,   8, 0,            0,     0,       0,     0,      0,    kPlain,   nullptr,                                                                0,        0},
{"Edge Type",                PF_Param_POPUP,         9, kEdgeShadow,  0,     0,       0,     0,      0,    kPlain,   "Shadow|Stroke",                                                        0,        kSupervise},
{"Shadow Size",              PF_Param_SLIDER,       10, 100,          0,     1000,    0,     500,    0,    kPlain,   nullptr,                                                                0,        0},
{"Shadow Color",             PF_Param_COLOR,        11, kOpaqueBlack, 0,     0,       0,     0,      0,    kPlain,   nullptr,                                                                0,        0},
{"Shadow Opacity",           PF_Param_FLOAT_SLIDER, 12, 40,           0,     100,     0,     100,    0,    kPercent, nullptr,                                                                0,        0},
{"Stroke Size",              PF_Param_SLIDER,       13, 10,           0,     60,      0,     30,     0,    kPlain,   nullptr,                                                                kHidden,  0},
{"Stroke Color",             PF_Param_COLOR,        14, kOpaqueBlack, 0,     0,       0,     0,      0,    kPlain,   nullptr,                                                                kHidden,  0},
{"Stroke Opacity",           PF_Param_FLOAT_SLIDER, 15, 100,          0,     100,     0,     100,    0,    kPercent, nullptr,                                                                kHidden,  0},
{nullptr,                    PF_Param_GROUP_END,    16, 0,            0,     0,       0,     0,      0,    kPlain,   nullptr,                                                                0,        0},
{"Echo",                     PF_Param_GROUP_START,  17, 0,            0,     0,       0,     0,      0,    kPlain,   nullptr,                                                                0,        0},
{"Instances",                PF_Param_SLIDER,       18, 5,            1,     20,      1,     10,     0,    kPlain,   nullptr,                                                                0,        0},
{"Shape Size 1 Offset",      PF_Param_FLOAT_SLIDER, 19, 0,            -1000, 1000,    -300,  300,    1,    kPlain,   nullptr,                                                                0,        0},
{"Shape Size 2 Offset",      PF_Param_FLOAT_SLIDER, 20, 0,            -1000, 1000,    -300,  300,    1,    kPlain,   nullptr,                                                                0,        0},
{"Position X Offset",        PF_Param_FLOAT_SLIDER, 21, 0,            -2000, 2000,    -300,  300,    1,    kPlain,   nullptr,                                                                0,        0},
{"Position Y Offset",        PF_Param_FLOAT_SLIDER, 22, 0,            -2000, 2000,    -300,  300,    1,    kPlain,   nullptr,                                                                0,        0},
{"Scale X Offset",           PF_Param_FLOAT_SLIDER, 23, 10,           -200,  200,     -100,  100,    1,    kPercent, nullptr,                                                                0,        0},
{"Scale Y Offset",           PF_Param_FLOAT_SLIDER, 24, 10,           -200,  200,     -100,  100,    1,    kPercent, nullptr,                                                                0,        0},
{"Rotation Offset",          PF_Param_FLOAT_SLIDER, 25, 0,            -360,  360,     -360,  360,    1,    kPlain,   nullptr,                                                                0,        0},
{"Opacity Offset",           PF_Param_FLOAT_SLIDER, 26, 0,            0,     100,     0,     100,    1,    kPercent, nullptr,                                                                0,        0},
{nullptr,                    PF_Param_GROUP_END,    27, 0,            0,     0,       0,     0,      0,    kPlain,   nullptr,                                                                0,        0},
};
// clang-format on

A_short popupChoiceCount(const ParamRow& row) {
  A_short count = 1;
  for (const char* c = row.choices; *c; ++c) count = A_short(count + (*c == '|'));
  return count;
}

}  // namespace Quillon::Vantrel
