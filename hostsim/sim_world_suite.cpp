// "AEGP World Suite" 3 over the render book: the worlds of checked-out
// frames (AEGP_WorldH is a SimWorld address), read through their effect
// world view. Only worlds of frames still checked out are accepted; the
// operation that shares its name with the options suites' disposal is not
// simulated (the plug-in makes no worlds of its own).
#include "host/pf_errors.h"
#include "host/suites/aegp_world_suite3.h"
#include "hostsim/host.h"
#include "hostsim/sim_suites.h"

namespace hostsim {

namespace {

const SimWorld* LiveWorld(AEGP_WorldH worldH) {
  return Host::Current()->renders().IsLiveWorld(worldH) ? reinterpret_cast<const SimWorld*>(worldH) : nullptr;
}

A_Err GetType(AEGP_WorldH worldH, AEGP_WorldType* typeP) {
  if (const A_Err err = EnterCall("AEGP_GetType")) return err;
  const SimWorld* world = LiveWorld(worldH);
  if (world == nullptr || typeP == nullptr) return A_Err_GENERIC;
  *typeP = world->deep() ? AEGP_WorldType_16 : AEGP_WorldType_8;
  return A_Err_NONE;
}

A_Err GetSize(AEGP_WorldH worldH, A_long* widthPL, A_long* heightPL) {
  if (const A_Err err = EnterCall("AEGP_GetSize")) return err;
  const SimWorld* world = LiveWorld(worldH);
  if (world == nullptr || widthPL == nullptr || heightPL == nullptr) return A_Err_GENERIC;
  *widthPL = world->width();
  *heightPL = world->height();
  return A_Err_NONE;
}

A_Err FillOutPFEffectWorld(AEGP_WorldH worldH, PF_EffectWorld* pf_worldP) {
  if (const A_Err err = EnterCall("AEGP_FillOutPFEffectWorld")) return err;
  const SimWorld* world = LiveWorld(worldH);
  if (world == nullptr || pf_worldP == nullptr) return A_Err_GENERIC;
  *pf_worldP = world->world();
  return A_Err_NONE;
}

AEGP_WorldSuite3 MakeSuite() {
  AEGP_WorldSuite3 s{};
  s.AEGP_GetType = GetType;
  s.AEGP_GetSize = GetSize;
  s.AEGP_FillOutPFEffectWorld = FillOutPFEffectWorld;
  return s;
}

const AEGP_WorldSuite3 WORLD_SUITE_3 = MakeSuite();

}  // namespace

void RegisterSimWorldSuite(Host& host) { host.suites().Register("AEGP World Suite", 3, &WORLD_SUITE_3); }

}  // namespace hostsim
