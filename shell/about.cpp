// PLACEHOLDER until its own work lands: answers the command without doing it.
#include "shell/about.h"

#include "host/pf_errors.h"

PF_Err About(PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*) { return PF_Err_NONE; }
