// PLACEHOLDER until its own work lands: answers the command without doing it.
#include "shell/params_setup.h"

#include "host/pf_errors.h"

PF_Err ParamsSetup(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) { return PF_Err_NONE; }
