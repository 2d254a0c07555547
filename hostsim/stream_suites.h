// Registration of the simulated stream suites with a host: "AEGP Stream
// Suite" 10 and 11, "AEGP Dynamic Stream Suite" 5, "AEGP Memory Suite" 1 and
// "AEGP Mask Outline Suite" 5. Each reads the scene of Host::Current() and
// accounts for what it hands out in Host::streams().
#pragma once

namespace hostsim {

class Host;

void InstallStreamSuites(Host& host);
void InstallDynamicStreamSuite(Host& host);
void InstallMemorySuite(Host& host);
void InstallMaskOutlineSuite(Host& host);

}  // namespace hostsim
