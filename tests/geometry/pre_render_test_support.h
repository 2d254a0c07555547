// A scene with one composition and the effect's layer in it, sent the
// smart pre-render through the simulated host; helpers read the returned
// record at byte offsets.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "geometry/pre_render_data.h"
#include "hostsim/command_driver.h"
#include "hostsim/pre_render_driver.h"
#include "shell/param_index.h"
#include "shell/plugin_globals.h"
#include "support/host_fixture.h"
#include "support/linked_module.h"

template <typename T>
T ReadAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  T v{};
  EXPECT_LE(offset + sizeof v, bytes.size());
  if (offset + sizeof v <= bytes.size()) std::memcpy(&v, bytes.data() + offset, sizeof v);
  return v;
}

inline PreRenderHeader HeaderOf(const hostsim::PreRenderOutcome& o) {
  PreRenderHeader h{};
  if (o.record.size() >= sizeof h) std::memcpy(&h, o.record.data(), sizeof h);
  return h;
}

inline ShapeSlot SlotOf(const hostsim::PreRenderOutcome& o, int i) {
  ShapeSlot s{};
  const std::size_t at = SHAPE_SLOTS_OFFSET + static_cast<std::size_t>(i) * SHAPE_SLOT_SIZE;
  if (o.record.size() >= at + sizeof s) std::memcpy(&s, o.record.data() + at, sizeof s);
  return s;
}

class PreRenderTest : public HostTest {
 protected:
  void SetUp() override {
    g_basic_suite = host_.basic_suite();
    comp_ = &host_.scene().AddComposition(100, 640, 480);
  }
  void TearDown() override {
    g_basic_suite = nullptr;
    HostTest::TearDown();
  }

  // Adds the layers (index 0 carries the effect) and builds the drivers;
  // call once, after which layer pointers stay valid.
  hostsim::SimLayer& Build(int layer_count = 1, AEGP_ObjectType type = AEGP_ObjectType_AV) {
    for (int i = 0; i < layer_count; ++i) {
      comp_->AddLayer(static_cast<AEGP_LayerIDVal>(i + 1), i == 0 ? type : AEGP_ObjectType_AV);
    }
    instance_ = &host_.scene().AddEffectInstance(&comp_->layers[0]);
    commands_ = std::make_unique<hostsim::CommandDriver>(host_, LinkedModule());
    driver_ = std::make_unique<hostsim::PreRenderDriver>(*commands_, *instance_);
    return comp_->layers[0];
  }
  hostsim::SimLayer& LayerAt(int i) { return comp_->layers[static_cast<std::size_t>(i)]; }

  hostsim::SimComposition* comp_ = nullptr;
  hostsim::SimEffectInstance* instance_ = nullptr;
  std::unique_ptr<hostsim::CommandDriver> commands_;
  std::unique_ptr<hostsim::PreRenderDriver> driver_;
};
