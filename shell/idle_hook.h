// The user-interface idle hook: warns, through an operating-system message
// box, when this effect sits active on a visible AV, text or shape layer
// whose Adjustment switch is off (such a layer renders its input
// unchanged). It throttles itself by the monotonic clock, in seconds: it
// runs at most every IDLE_RUN_INTERVAL, rescans the most recently used
// composition at most every LAYER_SCAN_INTERVAL, and warns only about layers
// that were not found by the previous scan, at most once every
// POPUP_INTERVAL.
#pragma once
#include <cstdint>
#include <vector>

#include "host/aegp_types.h"
#include "host/suites/aegp_register_suite6.h"

constexpr double IDLE_RUN_INTERVAL = 0.2;
constexpr double LAYER_SCAN_INTERVAL = 0.7;
constexpr double POPUP_INTERVAL = 3.0;

// A layer across compositions: the composition's item id in the high 32
// bits and the layer id in the low 32 bits.
constexpr std::uint64_t LayerKey(A_long comp_item_id, AEGP_LayerIDVal layer_id) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(comp_item_id)) << 32) |
         static_cast<std::uint32_t>(layer_id);
}

// Touched only by the hook, on the host's user-interface thread.
extern double g_last_run;
extern double g_last_scan;
extern double g_last_popup;
// The keys the last completed scan found.
extern std::vector<std::uint64_t> g_flagged_layers;

// The host's idle-hook signature. Reads none of its arguments, leaves the
// host's maximum sleep alone and always returns 0: nothing inside it,
// exceptions included, reaches the host.
A_Err IdleHook(AEGP_GlobalRefcon plugin_refcon, AEGP_IdleRefcon idle_refcon, A_long* max_sleep);

#ifdef PRISMORA_TEST_SEAMS
// Back to the state at load: times 0, no flagged layers.
void ResetIdleHookStateForTest();
#endif
