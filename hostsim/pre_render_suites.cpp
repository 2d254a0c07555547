#include "hostsim/pre_render_suites.h"

#include "hostsim/host.h"
#include "hostsim/sim_layer_ops.h"

namespace hostsim {

void InstallPreRenderSuites(Host& host) {
  RegisterSimHandleSuite(host.suites());
  RegisterSimPFInterfaceSuite(host);
  RegisterSimCompSuite25(host);
  RegisterSimFootageSuite(host);
  RegisterSimTextLayerSuites(host);
  RegisterSimLayerSuite13(host);
  RegisterSimLayerMaskSuite(host);
}

}  // namespace hostsim
