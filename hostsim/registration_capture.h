// Records what a module tells the host through the registration callback.
#pragma once
#include <string>

#include "host/pf_registration.h"
#include "hostsim/module_entry_points.h"

namespace hostsim {

struct RegistrationRecord {
  int calls = 0;
  int argument_count = 0;  // 9 from the older callback, 10 from the newer
  bool in_ptr_matched = false;
  std::string name, match_name, category, entry_point_name, support_url;
  bool support_url_null = false;  // the newer callback got a null URL pointer
  A_long kind = 0;
  A_long api_major = 0;
  A_long api_minor = 0;
  A_long reserved_info = 0;
};

// Calls PluginDataEntryFunction (version 1) or PluginDataEntryFunction2
// (version 2) with a recording callback; the callback answers
// `callback_result`, which the export should hand back.
PF_Err RunRegistration(const ModuleEntryPoints& module, int version, RegistrationRecord& out,
                       PF_Err callback_result = 0);

}  // namespace hostsim
