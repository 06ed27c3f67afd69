// The compositing host's effect interface, as far as this effect uses it: basic types,
// error codes, command selectors, parameter definitions, worlds and the records the host
// passes with every command. Plain C layout, shared by the module and the substitute host.
#pragma once

#include <cstdint>

extern "C" {

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef uint8_t A_u_char;
typedef uint8_t A_Boolean;
typedef uint64_t A_u_longlong;
typedef A_long A_Err;

typedef A_long PF_Err;
typedef A_long PF_Fixed;  // 16.16 fixed point
typedef double PF_FpLong;
typedef float PF_FpShort;
typedef A_long PF_ParamIndex;
typedef A_long PF_ParamType;
typedef A_long PF_ParamFlags;
typedef A_long PF_ParamUIFlags;
typedef A_short PF_ValueDisplayFlags;
typedef A_long PF_Cmd;
typedef struct PF_ProgressInfo* PF_ProgPtr;  // the host's opaque effect reference

// Error codes.
enum : PF_Err {
  PF_Err_NONE = 0,
  PF_Err_OUT_OF_MEMORY = 4,
  PF_Err_BAD_CALLBACK_PARAM = 516,
};
enum : A_Err { A_Err_MISSING_SUITE = 13 };

// Command selectors. Every other value is answered with PF_Err_NONE.
enum : PF_Cmd {
  PF_Cmd_ABOUT = 0,
  PF_Cmd_GLOBAL_SETUP = 1,
  PF_Cmd_GLOBAL_SETDOWN = 3,
  PF_Cmd_PARAMS_SETUP = 4,
  PF_Cmd_RENDER = 11,
  PF_Cmd_USER_CHANGED_PARAM = 13,
  PF_Cmd_UPDATE_PARAMS_UI = 14,
};

// Parameter types.
enum : PF_ParamType {
  PF_Param_LAYER = 0,
  PF_Param_SLIDER = 1,
  PF_Param_ANGLE = 3,
  PF_Param_CHECKBOX = 4,
  PF_Param_COLOR = 5,
  PF_Param_POINT = 6,
  PF_Param_POPUP = 7,
  PF_Param_FLOAT_SLIDER = 10,
  PF_Param_GROUP_START = 13,
  PF_Param_GROUP_END = 14,
};

enum : PF_ParamFlags { PF_ParamFlag_SUPERVISE = 0x40 };
enum : PF_ParamUIFlags { PF_PUI_INVISIBLE = 0x200 };
enum : PF_ValueDisplayFlags { PF_ValueDisplayFlag_NONE = 0, PF_ValueDisplayFlag_PERCENT = 1 };

// Sentinel index for add_param: append after the parameters added so far.
enum : PF_ParamIndex { PF_ParamIndex_APPEND = -1 };

enum { PF_MAX_EFFECT_PARAM_NAME_LEN = 31, PF_MAX_EFFECT_MSG_LEN = 255 };

typedef struct {
  A_u_char alpha, red, green, blue;
} PF_Pixel;
typedef PF_Pixel PF_Pixel8;
typedef PF_Pixel* PF_PixelPtr;

typedef struct {
  A_long num;
  A_u_long den;
} PF_RationalScale;

// A world: pixels of 8 bits per channel, alpha, red, green, blue; rows rowbytes apart,
// row 0 at the top.
typedef struct {
  A_long width;
  A_long height;
  A_long rowbytes;
  PF_PixelPtr data;
} PF_LayerDef;
typedef PF_LayerDef PF_EffectWorld;

typedef struct {
  A_long value;
  A_char value_str[32];
  A_char value_desc[32];
  A_long valid_min, valid_max;
  A_long slider_min, slider_max;
  A_long dephault;
} PF_SliderDef;

typedef struct {
  PF_FpLong value;
  PF_FpLong phase;
  PF_FpShort valid_min, valid_max;
  PF_FpShort slider_min, slider_max;
  PF_FpShort dephault;
  A_short precision;
  PF_ValueDisplayFlags display_flags;
  A_long fs_flags;
  PF_FpShort curve_tolerance;
  PF_FpShort exponent;
} PF_FloatSliderDef;

typedef struct {
  A_long value;
  A_short num_choices;
  A_short dephault;
  const A_char* namesptr;  // choices separated by '|'; value 1 is the first
} PF_PopupDef;

typedef struct {
  PF_Fixed x_value, y_value;
  A_Boolean restrict_bounds;
  PF_Fixed x_dephault, y_dephault;  // percentages of the layer's width and height
} PF_PointDef;

typedef struct {
  PF_Fixed value;
  PF_Fixed dephault;
} PF_AngleDef;

typedef struct {
  A_long value;
  A_long dephault;
  const A_char* nameptr;  // label beside the box
} PF_CheckBoxDef;

typedef struct {
  PF_Pixel value;
  PF_Pixel dephault;
} PF_ColorDef;

typedef union {
  PF_LayerDef ld;
  PF_SliderDef sd;
  PF_FloatSliderDef fs_d;
  PF_PopupDef pd;
  PF_PointDef td;
  PF_AngleDef ad;
  PF_CheckBoxDef bd;
  PF_ColorDef cd;
} PF_ParamDefUnion;

typedef struct {
  A_long id;
  PF_ParamUIFlags ui_flags;
  A_short ui_width, ui_height;
  PF_ParamType param_type;
  A_char name[32];
  PF_ParamFlags flags;
  PF_ParamDefUnion u;
} PF_ParamDef;
typedef PF_ParamDef* PF_ParamDefPtr;
typedef PF_ParamDef** PF_ParamList;

typedef struct {
  PF_Err (*checkout_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                           A_long time_step, A_u_long time_scale, PF_ParamDef* param);
  PF_Err (*checkin_param)(PF_ProgPtr effect_ref, PF_ParamDef* param);
  PF_Err (*add_param)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def);
} PF_InteractCallbacks;

typedef struct {
  A_char* (*strcpy)(A_char* dst, const A_char* src);
  PF_Err (*get_pixel_data8)(PF_EffectWorld* world, PF_PixelPtr pixels0, PF_Pixel8** pixels);
} PF_UtilCallbacks;

struct SPBasicSuite;

typedef struct {
  PF_InteractCallbacks inter;
  PF_UtilCallbacks* utils;
  PF_ProgPtr effect_ref;
  A_long current_time;
  A_long time_step;
  A_u_long time_scale;
  PF_RationalScale downsample_x;
  PF_RationalScale downsample_y;
  SPBasicSuite* pica_basicP;
} PF_InData;

typedef struct {
  A_u_long my_version;
  PF_ParamIndex num_params;
  A_long out_flags;
  A_long out_flags2;
  A_char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
} PF_OutData;

typedef struct {
  PF_ParamIndex param_index;
} PF_UserChangedParamExtra;

typedef PF_Err (*PF_EntryPointFunc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamList params, PF_LayerDef* output, void* extra);

}  // extern "C"

// Marks a module's export: a DLL export on Windows, a visible symbol elsewhere.
#if defined(_WIN32)
#define DllExport extern "C" __declspec(dllexport)
#else
#define DllExport extern "C" __attribute__((visibility("default")))
#endif
