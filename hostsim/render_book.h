// The simulated host's side of the frame renders it does for the plug-in:
// the render options and layer render options the plug-in made, the frames
// it checked out (each a receipt owning its world), and a log of every
// render with the options it was asked with. A test reads the log to see
// the requested time, downsample, world type and matte mode, and the pools
// to see that every option set was disposed and every frame checked in.
#pragma once
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "host/aegp_render_types.h"
#include "hostsim/ref_pool.h"
#include "hostsim/scene.h"
#include "hostsim/sim_world.h"

namespace hostsim {

class Host;

// Behind an AEGP_RenderOptionsH or an AEGP_LayerRenderOptionsH.
struct SimRenderOptions {
  SimRenderRequest request;
};

// Behind an AEGP_FrameReceiptH: the rendered frame until it is checked in.
struct SimFrameReceipt {
  SimRenderRequest request;
  std::unique_ptr<SimWorld> world;
  A_LRect region{0, 0, 0, 0};
};

class RenderBook {
 public:
  RefPool<SimRenderOptions>& item_options() { return item_options_; }
  RefPool<SimRenderOptions>& layer_options() { return layer_options_; }
  RefPool<SimFrameReceipt>& receipts() { return receipts_; }
  const RefPool<SimRenderOptions>& item_options() const { return item_options_; }
  const RefPool<SimRenderOptions>& layer_options() const { return layer_options_; }
  const RefPool<SimFrameReceipt>& receipts() const { return receipts_; }

  // Every render the host carried out, in the order they were asked for.
  void Log(const SimRenderRequest& request);
  std::vector<SimRenderRequest> Renders() const;

  // The worlds of checked-out frames; AEGP_WorldH is a SimWorld address.
  void AddWorld(const SimWorld* world);
  void RemoveWorld(const SimWorld* world);
  bool IsLiveWorld(const void* world) const;

 private:
  RefPool<SimRenderOptions> item_options_{"render options"};
  RefPool<SimRenderOptions> layer_options_{"layer render options"};
  RefPool<SimFrameReceipt> receipts_{"frame receipt"};
  mutable std::mutex mutex_;
  std::vector<SimRenderRequest> renders_;
  std::set<const void*> worlds_;
};

// Registers "AEGP Render Options Suite" 3, "AEGP Layer Render Options
// Suite" 2, "AEGP Render Suite" 8 and "AEGP World Suite" 3.
void RegisterSimRenderOptionsSuite(Host& host);
void RegisterSimLayerRenderOptionsSuite(Host& host);
void RegisterSimRenderSuite(Host& host);
void RegisterSimWorldSuite(Host& host);
void InstallRenderSuites(Host& host);

}  // namespace hostsim
