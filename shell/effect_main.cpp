// The command entry: dispatches the host's commands to their handlers inside
// one exception guard. Commands the effect does not handle return 0 without
// touching anything.
#include "geometry/smart_pre_render.h"
#include "host/pf_commands.h"
#include "render/smart_render.h"
#include "shell/about.h"
#include "shell/entry_points.h"
#include "shell/exception_guard.h"
#include "shell/global_setup.h"
#include "shell/params_setup.h"
#include "shell/sequence_setup.h"

namespace {

bool IsDispatched(A_long cmd) {
  switch (cmd) {
    case PF_Cmd_ABOUT:
    case PF_Cmd_GLOBAL_SETUP:
    case PF_Cmd_PARAMS_SETUP:
    case PF_Cmd_SEQUENCE_SETUP:
    case PF_Cmd_SEQUENCE_SETDOWN:
    case PF_Cmd_SMART_PRE_RENDER:
    case PF_Cmd_SMART_RENDER:
      return true;
    default:
      return false;
  }
}

PF_Err Dispatch(A_long cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                void* extra) {
  switch (cmd) {
    case PF_Cmd_ABOUT:
      return About(in_data, out_data, params, output);
    case PF_Cmd_GLOBAL_SETUP:
      return GlobalSetup(in_data, out_data, params, output);
    case PF_Cmd_PARAMS_SETUP:
      return ParamsSetup(in_data, out_data, params, output);
    case PF_Cmd_SEQUENCE_SETUP:
      return SequenceSetup(in_data, out_data);
    case PF_Cmd_SEQUENCE_SETDOWN:
      return SequenceSetdown(in_data);
    case PF_Cmd_SMART_PRE_RENDER:
      return SmartPreRender(in_data, out_data, static_cast<PF_PreRenderExtra*>(extra));
    case PF_Cmd_SMART_RENDER:
      return SmartRender(in_data, out_data, static_cast<PF_SmartRenderExtra*>(extra));
    default:
      return PF_Err_NONE;
  }
}

}  // namespace

extern "C" PF_Err EffectMain(A_long cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                             PF_LayerDef* output, void* extra) {
  if (!IsDispatched(cmd)) return PF_Err_NONE;
  // Every handler reads the two records; the render commands also need
  // their extra record. A host that hands in null gets an error, not a crash.
  if (in_data == nullptr || out_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if ((cmd == PF_Cmd_SMART_PRE_RENDER || cmd == PF_Cmd_SMART_RENDER) && extra == nullptr) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  return GuardedCall([&] { return Dispatch(cmd, in_data, out_data, params, output, extra); });
}

extern "C" PF_Err EntryPointFunc(A_long cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                                 PF_LayerDef* output, void* extra) {
  return EffectMain(cmd, in_data, out_data, params, output, extra);
}
