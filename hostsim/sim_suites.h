// The simulated host's suites: each Install function registers its suite
// tables with a Host, and the functions behind them reach the active host
// through Host::Current(). EnterCall is the first thing every simulated
// operation does: it counts the call and applies the failure switches.
#pragma once
#include <set>
#include <string>

#include "host/pf_basic_types.h"

namespace hostsim {

class Host;
struct SimComposition;
struct SimLayer;
struct SimItem;

void InstallCompSuites(Host& host);
void InstallItemSuites(Host& host);
void InstallLayerSuites(Host& host);
void InstallEffectSuites(Host& host);
void InstallUtilitySuites(Host& host);
void InstallRegisterSuites(Host& host);
void InstallAnsiSuites(Host& host);
void InstallCacheOnLoadSuites(Host& host);

// Counts `call`, then answers with the host-wide switch's error or, when the
// object names the call among its own failing calls, with A_Err_GENERIC.
A_Err EnterCall(const char* call, const std::set<std::string>* object_switches = nullptr);

// The scene objects behind the plug-in's references; null for a reference
// that is not in the active host's scene.
SimComposition* FindComposition(const void* compH);
SimLayer* FindLayer(const void* layerH);
SimItem* FindItem(const void* itemH);

}  // namespace hostsim
