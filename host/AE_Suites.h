// The host's suite mechanism: the basic suite hands out function tables by name and
// version. Each table below names the suite it belongs to, so that acquiring one cannot
// mix up a table with the wrong name or version.
#pragma once

#include "AE_Effect.h"

extern "C" {

typedef A_long AEGP_PluginID;
typedef A_long AEGP_DynStreamFlags;
typedef struct AEGP_EffectRefOpaque* AEGP_EffectRefH;
typedef struct AEGP_StreamRefOpaque* AEGP_StreamRefH;
typedef struct PF_HandleOpaque* PF_Handle;

enum : AEGP_DynStreamFlags { AEGP_DynStreamFlag_HIDDEN = 2 };

struct SPBasicSuite {
  A_Err (*AcquireSuite)(const char* name, A_long version, const void** suite);
  A_Err (*ReleaseSuite)(const char* name, A_long version);
};

struct PF_ANSICallbacksSuite1 {
  static constexpr const char* suiteName = "PF ANSI Suite";
  static constexpr A_long suiteVersion = 1;
  A_long (*sprintf)(A_char* buffer, const A_char* format, ...);
};

struct PF_HandleSuite2 {
  static constexpr const char* suiteName = "PF Handle Suite";
  static constexpr A_long suiteVersion = 2;
  PF_Handle (*host_new_handle)(A_u_longlong size);
  void* (*host_lock_handle)(PF_Handle handle);
  void (*host_unlock_handle)(PF_Handle handle);
  void (*host_dispose_handle)(PF_Handle handle);
};

struct PF_ParamUtilsSuite3 {
  static constexpr const char* suiteName = "PF Param Utils Suite";
  static constexpr A_long suiteVersion = 3;
  PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index,
                             const PF_ParamDef* param);
};

struct AEGP_PFInterfaceSuite1 {
  static constexpr const char* suiteName = "AEGP PF Interface Suite";
  static constexpr A_long suiteVersion = 1;
  A_Err (*AEGP_GetNewEffectForEffect)(AEGP_PluginID plugin_id, PF_ProgPtr effect_ref,
                                      AEGP_EffectRefH* effect);
};

struct AEGP_EffectSuite2 {
  static constexpr const char* suiteName = "AEGP Effect Suite";
  static constexpr A_long suiteVersion = 2;
  A_Err (*AEGP_DisposeEffect)(AEGP_EffectRefH effect);
};

struct AEGP_StreamSuite7 {
  static constexpr const char* suiteName = "AEGP Stream Suite";
  static constexpr A_long suiteVersion = 7;
  A_Err (*AEGP_GetNewEffectStreamByIndex)(AEGP_PluginID plugin_id, AEGP_EffectRefH effect,
                                          PF_ParamIndex param_index, AEGP_StreamRefH* stream);
  A_Err (*AEGP_DisposeStream)(AEGP_StreamRefH stream);
};

struct AEGP_DynamicStreamSuite2 {
  static constexpr const char* suiteName = "AEGP Dynamic Stream Suite";
  static constexpr A_long suiteVersion = 2;
  A_Err (*AEGP_GetDynamicStreamFlags)(AEGP_StreamRefH stream, AEGP_DynStreamFlags* flags);
  A_Err (*AEGP_SetDynamicStreamFlag)(AEGP_StreamRefH stream, AEGP_DynStreamFlags one_flag,
                                     A_Boolean undoable, A_Boolean set);
};

// Offered by a host whose standard output is not for messages (it may carry a video on a
// pipe): the effect's diagnostic text goes to the host instead. Hosts that do not offer
// it leave the text on standard output.
struct QN_DiagnosticsSuite1 {
  static constexpr const char* suiteName = "QN Diagnostics Suite";
  static constexpr A_long suiteVersion = 1;
  void (*QN_WriteDiagnostic)(const A_char* text);
};

}  // extern "C"
