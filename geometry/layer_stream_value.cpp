#include "geometry/layer_stream_value.h"

#include <cmath>
#include <cstring>

#include "host/pf_errors.h"
#include "host/suites/aegp_stream_suite10.h"
#include "host/suites/aegp_stream_suite11.h"
#include "shell/suite_handler.h"

namespace {

constexpr AEGP_PluginID STREAM_PLUGIN_ID = 0;
constexpr A_Boolean WITH_EXPRESSIONS = 0;

}  // namespace

bool ReadLayerStreamValue(SuiteHandler& suites, AEGP_LayerH layer, AEGP_LayerStream which, AEGP_LTimeMode mode,
                          const A_Time& time, bool two_dimensional, double* x, double* y) {
  // Both suites are taken before any reference exists, so a missing suite
  // cannot leave a stream behind.
  const AEGP_StreamSuite11* streams11 = suites.StreamSuiteV11();
  const AEGP_StreamSuite10* streams10 = suites.StreamSuiteV10();
  if (layer == nullptr || streams11->AEGP_GetNewLayerStream == nullptr) return false;
  AEGP_StreamRefH stream = nullptr;
  if (streams11->AEGP_GetNewLayerStream(STREAM_PLUGIN_ID, layer, which, &stream) != A_Err_NONE ||
      stream == nullptr) {
    return false;
  }
  bool read = false;
  if (streams10->AEGP_GetNewStreamValue != nullptr) {
    AEGP_StreamValue2 value{};
    if (streams10->AEGP_GetNewStreamValue(STREAM_PLUGIN_ID, stream, mode, &time, WITH_EXPRESSIONS, &value) ==
        A_Err_NONE) {
      // One-, two- and three-dimensional values all begin with x (then y)
      // as doubles, so the first two are taken whatever the stream's type.
      double xy[2];
      std::memcpy(xy, &value.val, sizeof xy);
      const double vx = xy[0];
      const double vy = two_dimensional ? xy[1] : 0.0;
      // An expression can produce NaN or infinity; such a value is as good
      // as unreadable.
      if (std::isfinite(vx) && std::isfinite(vy)) {
        *x = vx;
        if (two_dimensional) *y = vy;
        read = true;
      }
      if (streams10->AEGP_DisposeStreamValue != nullptr) streams10->AEGP_DisposeStreamValue(&value);
    }
  }
  if (streams10->AEGP_DisposeStream != nullptr) streams10->AEGP_DisposeStream(stream);
  return read;
}
