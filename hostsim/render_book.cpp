#include "hostsim/render_book.h"

namespace hostsim {

void RenderBook::Log(const SimRenderRequest& request) {
  std::lock_guard<std::mutex> lock(mutex_);
  renders_.push_back(request);
}

std::vector<SimRenderRequest> RenderBook::Renders() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return renders_;
}

void RenderBook::AddWorld(const SimWorld* world) {
  std::lock_guard<std::mutex> lock(mutex_);
  worlds_.insert(world);
}

void RenderBook::RemoveWorld(const SimWorld* world) {
  std::lock_guard<std::mutex> lock(mutex_);
  worlds_.erase(world);
}

bool RenderBook::IsLiveWorld(const void* world) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return worlds_.count(world) != 0;
}

void InstallRenderSuites(Host& host) {
  RegisterSimRenderOptionsSuite(host);
  RegisterSimLayerRenderOptionsSuite(host);
  RegisterSimRenderSuite(host);
  RegisterSimWorldSuite(host);
}

}  // namespace hostsim
