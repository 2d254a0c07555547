// "AEGP Effect Suite" 4 over the scene. An effect reference is an entry of
// the host's effect-reference pool naming a layer and an effect index; it
// stays live until AEGP_DisposeEffect, so tests can see every reference the
// plug-in did not give back.
#include <cstring>

#include "host/pf_errors.h"
#include "host/suites/aegp_effect_suite4.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

SimEffect* EffectOf(AEGP_EffectRefH effect_refH) {
  SimEffectRef* ref = Host::Current()->effect_refs().Find(effect_refH);
  if (ref == nullptr || ref->layer == nullptr) return nullptr;
  if (ref->index < 0 || ref->index >= static_cast<A_long>(ref->layer->effects.size())) return nullptr;
  return &ref->layer->effects[static_cast<std::size_t>(ref->index)];
}

A_Err GetLayerNumEffects(AEGP_LayerH layerH, A_long* num_effectsPL) {
  SimLayer* layer = FindLayer(layerH);
  if (const A_Err err = EnterCall("AEGP_GetLayerNumEffects", layer ? &layer->failing_calls : nullptr)) return err;
  if (layer == nullptr || num_effectsPL == nullptr) return A_Err_GENERIC;
  *num_effectsPL = static_cast<A_long>(layer->effects.size());
  return A_Err_NONE;
}

A_Err GetLayerEffectByIndex(AEGP_PluginID, AEGP_LayerH layerH, AEGP_EffectIndex index, AEGP_EffectRefH* effectPH) {
  SimLayer* layer = FindLayer(layerH);
  const SimEffect* effect = (layer != nullptr && index >= 0 && index < static_cast<A_long>(layer->effects.size()))
                                ? &layer->effects[static_cast<std::size_t>(index)]
                                : nullptr;
  if (const A_Err err = EnterCall("AEGP_GetLayerEffectByIndex", effect ? &effect->failing_calls : nullptr)) {
    return err;
  }
  if (effectPH == nullptr) return A_Err_GENERIC;
  *effectPH = nullptr;
  if (effect == nullptr) return A_Err_GENERIC;
  *effectPH = reinterpret_cast<AEGP_EffectRefH>(Host::Current()->effect_refs().New(SimEffectRef{layer, index}));
  return A_Err_NONE;
}

A_Err GetInstalledKeyFromLayerEffect(AEGP_EffectRefH effect_refH, AEGP_InstalledEffectKey* installed_keyP) {
  SimEffect* effect = EffectOf(effect_refH);
  if (const A_Err err = EnterCall("AEGP_GetInstalledKeyFromLayerEffect", effect ? &effect->failing_calls : nullptr)) {
    return err;
  }
  if (effect == nullptr || installed_keyP == nullptr) return A_Err_GENERIC;
  *installed_keyP = effect->installed_key;
  return A_Err_NONE;
}

A_Err GetEffectFlags(AEGP_EffectRefH effect_refH, AEGP_EffectFlags* effect_flagsP) {
  SimEffect* effect = EffectOf(effect_refH);
  if (const A_Err err = EnterCall("AEGP_GetEffectFlags", effect ? &effect->failing_calls : nullptr)) return err;
  if (effect == nullptr || effect_flagsP == nullptr) return A_Err_GENERIC;
  *effect_flagsP = effect->flags;
  return A_Err_NONE;
}

A_Err DisposeEffect(AEGP_EffectRefH effect_refH) {
  if (const A_Err err = EnterCall("AEGP_DisposeEffect")) return err;
  return Host::Current()->effect_refs().Dispose(effect_refH) ? A_Err_NONE : A_Err_GENERIC;
}

A_Err GetEffectMatchName(AEGP_InstalledEffectKey installed_key, A_char* matchNameZ) {
  if (const A_Err err = EnterCall("AEGP_GetEffectMatchName")) return err;
  std::string name;
  if (matchNameZ == nullptr || !Host::Current()->scene().MatchNameOfKey(installed_key, &name)) return A_Err_GENERIC;
  // The host fills at most the documented buffer: the name, cut to the
  // longest match name, and a NUL.
  const std::size_t n = name.size() < static_cast<std::size_t>(AEGP_MAX_EFFECT_MATCH_NAME_SIZE)
                            ? name.size()
                            : static_cast<std::size_t>(AEGP_MAX_EFFECT_MATCH_NAME_SIZE);
  std::memcpy(matchNameZ, name.data(), n);
  matchNameZ[n] = '\0';
  return A_Err_NONE;
}

AEGP_EffectSuite4 MakeEffectSuite4() {
  AEGP_EffectSuite4 s{};
  s.AEGP_GetLayerNumEffects = GetLayerNumEffects;
  s.AEGP_GetLayerEffectByIndex = GetLayerEffectByIndex;
  s.AEGP_GetInstalledKeyFromLayerEffect = GetInstalledKeyFromLayerEffect;
  s.AEGP_GetEffectFlags = GetEffectFlags;
  s.AEGP_DisposeEffect = DisposeEffect;
  s.AEGP_GetEffectMatchName = GetEffectMatchName;
  return s;
}

const AEGP_EffectSuite4 EFFECT_SUITE_4 = MakeEffectSuite4();

}  // namespace

void InstallEffectSuites(Host& host) { host.suites().Register("AEGP Effect Suite", 4, &EFFECT_SUITE_4); }

}  // namespace hostsim
