// Drives an effect module the way the host does: registration, global
// setup, parameter setup, sequence setup and setdown, about, and any other
// command, always through the module's exported entry function.
#pragma once
#include <string>

#include "host/pf_commands.h"
#include "host/pf_in_data.h"
#include "hostsim/host.h"
#include "hostsim/module_entry_points.h"

namespace hostsim {

class CommandDriver {
 public:
  CommandDriver(Host& host, ModuleEntryPoints module);

  // The records the next command is sent with; tests may change them.
  PF_InData& in_data() { return in_data_; }
  PF_OutData& out_data() { return out_data_; }

  // Sends one command through EntryPointFunc.
  PF_Err Send(PF_Cmd cmd, void* extra = nullptr, PF_ParamDef** params = nullptr, PF_LayerDef* output = nullptr);

  PF_Err GlobalSetup() { return Send(PF_Cmd_GLOBAL_SETUP); }
  PF_Err ParamsSetup() { return Send(PF_Cmd_PARAMS_SETUP); }
  PF_Err About() { return Send(PF_Cmd_ABOUT); }
  // The host's idle time: runs every idle hook the module registered.
  A_Err Idle() { return host_.RunIdleHooks(); }
  // Sequence setup keeps the handle the module returns as the instance's
  // sequence data, and setdown hands it back, as the host does.
  PF_Err SequenceSetup();
  PF_Err SequenceSetdown();

  const ModuleEntryPoints& module() const { return module_; }
  Host& host() { return host_; }

 private:
  Host& host_;
  ModuleEntryPoints module_;
  PF_InData in_data_{};
  PF_OutData out_data_{};
};

}  // namespace hostsim
