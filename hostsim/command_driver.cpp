#include "hostsim/command_driver.h"

namespace hostsim {

namespace {

PF_Err CAddParam(PF_ProgPtr, PF_ParamIndex index, PF_ParamDef* def) { return Host::Current()->AddParam(index, def); }

}  // namespace

CommandDriver::CommandDriver(Host& host, ModuleEntryPoints module) : host_(host), module_(module) {
  in_data_.inter.add_param = CAddParam;
  in_data_.utils = host_.util_callbacks();
  in_data_.pica_basicP = host_.basic_suite();
  in_data_.version = {13, 28};
  in_data_.appl_id = 0x46584545;  // 'FXTC', the compositing application
  in_data_.num_params = 15;
  in_data_.time_scale = 30;
  in_data_.time_step = 1;
  in_data_.local_time_step = 1;
  in_data_.total_time = 300;
  in_data_.downsample_x = {1, 1};
  in_data_.downsample_y = {1, 1};
  in_data_.pixel_aspect_ratio = {1, 1};
}

PF_Err CommandDriver::Send(PF_Cmd cmd, void* extra, PF_ParamDef** params, PF_LayerDef* output) {
  return module_.entry_point(cmd, &in_data_, &out_data_, params, output, extra);
}

PF_Err CommandDriver::SequenceSetup() {
  const PF_Err err = Send(PF_Cmd_SEQUENCE_SETUP);
  in_data_.sequence_data = out_data_.sequence_data;
  return err;
}

PF_Err CommandDriver::SequenceSetdown() {
  const PF_Err err = Send(PF_Cmd_SEQUENCE_SETDOWN);
  out_data_.sequence_data = in_data_.sequence_data;
  return err;
}

}  // namespace hostsim
