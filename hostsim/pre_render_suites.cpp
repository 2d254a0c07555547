#include "hostsim/pre_render_suites.h"

#include "hostsim/host.h"

namespace hostsim {

void InstallPreRenderSuites(Host& host) { RegisterSimHandleSuite(host.suites()); }

}  // namespace hostsim
