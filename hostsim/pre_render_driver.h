// Sends the smart pre-render to the effect as the host does: a
// PF_PreRenderExtra with the requested output, the bit depth and the
// SmartFX callbacks, through the module's entry function. The record that
// comes back in a host handle is copied out for the test to read, and then
// given to the effect's own deleter, as the host does once the frame is done.
#pragma once
#include <cstdint>
#include <vector>

#include "host/pf_smart_fx.h"
#include "hostsim/command_driver.h"
#include "hostsim/effect_instance.h"

namespace hostsim {

struct PreRenderOutcome {
  PF_Err err = 0;
  PF_PreRenderOutput output{};  // as the effect left it (handle already disposed)
  bool has_record = false;
  std::uint64_t record_size = 0;
  std::vector<std::uint8_t> record;  // the handle's bytes when the command returned
  bool record_was_locked = false;    // the effect returned the handle still locked
};

class PreRenderDriver {
 public:
  // Points the commands' PF_InData at the instance (effect reference,
  // parameter callbacks) and sets a 320 x 240 layer at time 0 / 30.
  PreRenderDriver(CommandDriver& commands, SimEffectInstance& instance);

  PF_InData& in_data() { return commands_.in_data(); }
  PF_PreRenderInput& input() { return input_; }
  PF_PreRenderCallbacks& callbacks() { return callbacks_; }
  // What the output record holds before the command (the host's own fill).
  PF_PreRenderOutput& output_before() { return output_before_; }
  // Bytes that a new host handle starts with (the simulated host zeroes
  // them unless told otherwise), to see which bytes the effect writes.
  void FillNewHandlesWith(std::uint8_t byte) { new_handle_fill_ = byte; new_handle_fill_set_ = true; }

  // Sends the command. With `dispose_record` the record is handed to the
  // deleter the effect returned, as the host does.
  PreRenderOutcome Run(bool dispose_record = true);
  // Sends the command with the extra record's input or callbacks null.
  PF_Err RunWithNullParts(bool null_input, bool null_output, bool null_callbacks);

 private:
  CommandDriver& commands_;
  SimEffectInstance& instance_;
  PF_PreRenderInput input_{};
  PF_PreRenderCallbacks callbacks_{};
  PF_PreRenderOutput output_before_{};
  std::uint8_t new_handle_fill_ = 0;
  bool new_handle_fill_set_ = false;
};

}  // namespace hostsim
