// The about text: display name, version and description, formatted by the
// host's ANSI suite into the 256 characters of return_msg.
#include "shell/about.h"

#include "host/pf_errors.h"
#include "host/suites/pf_ansi_suite1.h"
#include "shell/plugin_flags.h"
#include "shell/string_table.h"
#include "shell/suite_handler.h"

PF_Err About(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*) {
  SuiteHandler suites(in_data->pica_basicP);
  suites.ANSISuiteV1()->sprintf(out_data->return_msg, "%s v%d.%d\r%s", GetStringPtr(STR_NAME), PLUGIN_MAJOR_VERSION,
                                PLUGIN_MINOR_VERSION, GetStringPtr(STR_DESCRIPTION));
  return PF_Err_NONE;
}
