// The ten controls of the effect as the pre-render reads them: checked out
// through the host's interact callbacks in a fixed order and checked in
// again in the same order. Float sliders are read as 64-bit floats; the
// light angle is the angle control's signed 16.16 value in degrees.
#pragma once
#include "host/pf_in_data.h"
#include "host/pf_param_def.h"

constexpr int CONTROL_COUNT = 10;

// Checkout order by parameter index.
extern const PF_ParamIndex CONTROL_CHECKOUT_ORDER[CONTROL_COUNT];

struct ControlValues {
  double light_angle_deg = 0.0;
  double light_intensity = 0.0;
  double magnify = 0.0;
  double refraction = 0.0;
  double depth = 0.0;
  double dispersion = 0.0;
  double frost = 0.0;
  double splay = 0.0;
  double effect_scale = 0.0;
  double rim_scale = 0.0;
};

// Holds the parameter records between checkout and check-in. Records that
// were checked out and not yet checked in are checked in by the destructor,
// so no path leaves the host with a record outstanding.
class ControlCheckout {
 public:
  explicit ControlCheckout(PF_InData* in_data);
  ~ControlCheckout();
  ControlCheckout(const ControlCheckout&) = delete;
  ControlCheckout& operator=(const ControlCheckout&) = delete;

  // Checks out in CONTROL_CHECKOUT_ORDER, stopping at the first error,
  // which it returns. Records not checked out read as 0.
  PF_Err CheckOut();
  // Checks in every checked-out record in checkout order and returns the
  // first error.
  PF_Err CheckIn();
  // The values read; a value that is not finite reads as 0.
  ControlValues Values() const;

 private:
  PF_InData* in_data_;
  PF_ParamDef params_[CONTROL_COUNT];
  bool checked_out_[CONTROL_COUNT];
};
