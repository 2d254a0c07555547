// The idle hook's scan of the most recently used composition. Host errors
// about one layer or one effect skip only that layer or effect; errors of
// the composition and item lookups, a missing suite or any exception end the
// call quietly. Every effect reference taken is disposed on every path.
#include "shell/idle_hook.h"

#include <algorithm>
#include <cstring>

#include "host/pf_errors.h"
#include "host/suites/aegp_comp_suite26.h"
#include "host/suites/aegp_effect_suite4.h"
#include "host/suites/aegp_item_suite14.h"
#include "host/suites/aegp_layer_suite11.h"
#include "host/suites/aegp_layer_suite15.h"
#include "shell/command_runner.h"
#include "shell/plugin_globals.h"
#include "shell/registration_values.h"
#include "shell/steady_clock.h"
#include "shell/suite_handler.h"
#include "shell/warning_command.h"

#if defined(__APPLE__)
#include "platform/macos/adjustment_warning.h"
#endif

double g_last_run = 0.0;
double g_last_scan = 0.0;
double g_last_popup = 0.0;
std::vector<std::uint64_t> g_flagged_layers;

namespace {

constexpr AEGP_LayerFlags ADJUSTMENT_CHECK_MASK = AEGP_LayerFlag_VIDEO_ACTIVE | AEGP_LayerFlag_ADJUSTMENT_LAYER;

// An effect reference that is given back to the host when it goes out of
// scope, also when an exception passes.
class ScopedEffectRef {
 public:
  ScopedEffectRef(const AEGP_EffectSuite4* suite, AEGP_EffectRefH ref) : suite_(suite), ref_(ref) {}
  ~ScopedEffectRef() {
    if (ref_ != nullptr) suite_->AEGP_DisposeEffect(ref_);
  }
  ScopedEffectRef(const ScopedEffectRef&) = delete;
  ScopedEffectRef& operator=(const ScopedEffectRef&) = delete;
  AEGP_EffectRefH get() const { return ref_; }

 private:
  const AEGP_EffectSuite4* suite_;
  AEGP_EffectRefH ref_;
};

bool IsPrismoraEffect(const AEGP_EffectSuite4* effects, AEGP_EffectRefH effect) {
  AEGP_EffectFlags eflags = 0;
  effects->AEGP_GetEffectFlags(effect, &eflags);
  if ((eflags & AEGP_EffectFlags_ACTIVE) == 0) return false;
  AEGP_InstalledEffectKey key = 0;
  if (effects->AEGP_GetInstalledKeyFromLayerEffect(effect, &key) != A_Err_NONE) return false;
  A_char name[AEGP_MAX_EFFECT_MATCH_NAME_SIZE + 1] = {};
  if (effects->AEGP_GetEffectMatchName(key, name) != A_Err_NONE) return false;
  // The host fills at most the buffer; the last byte stays the NUL.
  name[AEGP_MAX_EFFECT_MATCH_NAME_SIZE] = '\0';
  return std::strcmp(name, PLUGIN_MATCH_NAME) == 0;
}

// A visible AV, text or shape layer, Adjustment switch off, carrying an
// active instance of this effect.
bool NeedsWarning(SuiteHandler& suites, AEGP_LayerH layer) {
  const AEGP_LayerSuite11* layers = suites.LayerSuiteV11();
  AEGP_ObjectType type = AEGP_ObjectType_NONE;
  layers->AEGP_GetLayerObjectType(layer, &type);
  if (type != AEGP_ObjectType_AV && type != AEGP_ObjectType_TEXT && type != AEGP_ObjectType_VECTOR) return false;
  AEGP_LayerFlags flags = 0;
  layers->AEGP_GetLayerFlags(layer, &flags);
  if ((flags & ADJUSTMENT_CHECK_MASK) != AEGP_LayerFlag_VIDEO_ACTIVE) return false;

  const AEGP_EffectSuite4* effects = suites.EffectSuiteV4();
  A_long count = 0;
  if (effects->AEGP_GetLayerNumEffects(layer, &count) != A_Err_NONE) return false;
  for (A_long k = 0; k < count; ++k) {
    AEGP_EffectRefH raw = nullptr;
    const A_Err err = effects->AEGP_GetLayerEffectByIndex(g_plugin_id, layer, k, &raw);
    // A reference the host hands out is ours to dispose, even alongside an
    // error.
    ScopedEffectRef effect(effects, raw);
    if (err != A_Err_NONE || effect.get() == nullptr) continue;
    if (IsPrismoraEffect(effects, effect.get())) return true;
  }
  return false;
}

void ShowWarning() {
#if defined(__APPLE__)
  ShowAdjustmentWarning();
#else
  RunCommandAndWait(WARNING_COMMAND_WINDOWS);
#endif
}

void RunIdle(double t) {
  SuiteHandler suites(g_basic_suite);
  const AEGP_CompSuite26* comps = suites.CompSuiteV26();
  AEGP_CompH comp = nullptr;
  if (comps->AEGP_GetMostRecentlyUsedComp(&comp) != A_Err_NONE || comp == nullptr) return;
  AEGP_ItemH item = nullptr;
  if (comps->AEGP_GetItemFromComp(comp, &item) != A_Err_NONE || item == nullptr) return;
  A_long comp_item_id = 0;
  suites.ItemSuiteV14()->AEGP_GetItemID(item, &comp_item_id);

  if (t - g_last_scan < LAYER_SCAN_INTERVAL) return;
  g_last_scan = t;
  std::vector<std::uint64_t> found;

  const AEGP_LayerSuite11* layers = suites.LayerSuiteV11();
  A_long n = 0;
  layers->AEGP_GetCompNumLayers(comp, &n);
  for (A_long i = 0; i < n; ++i) {
    // Layers may go away while we walk; the count is read again each time.
    A_long now_count = 0;
    if (layers->AEGP_GetCompNumLayers(comp, &now_count) != A_Err_NONE || i >= now_count) continue;
    AEGP_LayerH layer = nullptr;
    if (layers->AEGP_GetCompLayerByIndex(comp, i, &layer) != A_Err_NONE || layer == nullptr) continue;
    if (!NeedsWarning(suites, layer)) continue;
    AEGP_LayerIDVal layer_id = 0;
    suites.LayerSuiteV15()->AEGP_GetLayerID(layer, &layer_id);
    if (layer_id != 0) found.push_back(LayerKey(comp_item_id, layer_id));
  }

  const bool is_new = std::any_of(found.begin(), found.end(), [](std::uint64_t key) {
    return std::find(g_flagged_layers.begin(), g_flagged_layers.end(), key) == g_flagged_layers.end();
  });
  if (is_new && t - g_last_popup > POPUP_INTERVAL) {
    g_last_popup = t;
    ShowWarning();
  }
  g_flagged_layers.swap(found);
}

}  // namespace

A_Err IdleHook(AEGP_GlobalRefcon, AEGP_IdleRefcon, A_long*) {
  if (g_basic_suite == nullptr) return A_Err_NONE;
  const double t = SteadyNowSeconds();
  if (t - g_last_run < IDLE_RUN_INTERVAL) return A_Err_NONE;
  g_last_run = t;
  try {
    RunIdle(t);
  } catch (...) {
    // Nothing may unwind into the host's event loop.
  }
  return A_Err_NONE;
}

#ifdef PRISMORA_TEST_SEAMS
void ResetIdleHookStateForTest() {
  g_last_run = 0.0;
  g_last_scan = 0.0;
  g_last_popup = 0.0;
  g_flagged_layers.clear();
}
#endif
