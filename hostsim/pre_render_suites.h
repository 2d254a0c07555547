// Registration of the simulated suites that the smart pre-render reads
// beyond those of the shell and the stream readers: the handle suite, the
// PF interface suite, comp suite 25, layer suite 13, the layer mask suite,
// the footage suite, and the text layer and path data suites.
#pragma once
#include "hostsim/suite_registry.h"

namespace hostsim {

class Host;

void RegisterSimHandleSuite(SuiteRegistry& registry);
void RegisterSimPFInterfaceSuite(Host& host);
void RegisterSimCompSuite25(Host& host);
void RegisterSimFootageSuite(Host& host);
void RegisterSimTextLayerSuites(Host& host);
void RegisterSimLayerSuite13(Host& host);
void RegisterSimLayerMaskSuite(Host& host);
void InstallPreRenderSuites(Host& host);

}  // namespace hostsim
