// The simulated host's drawing of a shape track matte: every pixel counts
// the 4 x 4 samples that fall in a shape. The drawing only counts sample by
// sample where an outline crosses the pixel; it must give the bytes of the
// plain count at every pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "hostsim/host.h"
#include "hostsim/scene.h"
#include "hostsim/scene_desc.h"
#include "hostsim/scene_desc_builder.h"
#include "hostsim/sim_world.h"

namespace {

// Every sample of every pixel against every shape.
void PlainPaint(const std::vector<hostsim::MatteShapeDesc>& shapes, double fx, double fy, hostsim::SimWorld& world) {
  for (A_long y = 0; y < world.height(); ++y) {
    for (A_long x = 0; x < world.width(); ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          const double px = (x + (sx + 0.5) / 4) * fx;
          const double py = (y + (sy + 0.5) / 4) * fy;
          for (const hostsim::MatteShapeDesc& s : shapes) {
            const double dx = (px - s.center[0]) / (s.size[0] * 0.5);
            const double dy = (py - s.center[1]) / (s.size[1] * 0.5);
            const bool in =
                s.ellipse ? dx * dx + dy * dy <= 1.0 : std::fabs(dx) <= 1.0 && std::fabs(dy) <= 1.0;
            if (in) {
              ++hits;
              break;
            }
          }
        }
      }
      const double a = std::clamp(hits / 16.0, 0.0, 1.0);
      if (world.deep()) {
        const auto v = static_cast<A_u_short>(std::lround(a * PF_MAX_CHAN16));
        world.Pixel16(x, y) = PF_Pixel16{v, v, v, v};
      } else {
        const auto v = static_cast<A_u_char>(std::lround(a * PF_MAX_CHAN8));
        world.Pixel8(x, y) = PF_Pixel8{v, v, v, v};
      }
    }
  }
}

TEST(MatteShapePaintTest, MatchesThePlainSampleCountByteForByte) {
  std::mt19937 rng(77);
  std::int64_t partial_pixels = 0;  // pixels an outline crosses, over all trials
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int trial = 0; trial < 24; ++trial) {
    A_long w = 1 + static_cast<A_long>(rng() % 4096);
    A_long h = 1 + static_cast<A_long>(rng() % 4096);
    while (static_cast<std::int64_t>(w) * h > 300000) (rng() % 2 ? w : h) = std::max<A_long>(1, (rng() % 2 ? w : h) / 2);
    const A_short down = static_cast<A_short>(1 + rng() % 3);
    hostsim::SceneDesc scene;
    scene.width = static_cast<int>(w * down);
    scene.height = static_cast<int>(h * down);
    scene.layer_kind = hostsim::SceneDesc::LayerKind::SOLID;
    hostsim::TrackMatteDesc matte;
    const int count = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < count; ++i) {
      hostsim::MatteShapeDesc s;
      s.ellipse = rng() % 2 == 0;
      s.center = {u(rng) * scene.width, u(rng) * scene.height};
      // Now and then a degenerate size, a half-pixel centre or a shape off the frame.
      s.size = {trial % 7 == 3 && i == 0 ? 0.0 : 0.5 + u(rng) * scene.width,
                trial % 5 == 2 && i == 0 ? -40.0 : 0.5 + u(rng) * scene.height};
      if (trial % 4 == 1) s.center = {std::floor(s.center[0]) + 0.5, std::floor(s.center[1])};
      if (trial % 6 == 5 && i == 1) s.center[0] = -s.size[0];
      matte.shapes.push_back(s);
    }
    scene.track_matte = matte;
    hostsim::Host host;
    const hostsim::BuiltScene built = hostsim::BuildScene(host, scene);
    ASSERT_NE(built.matte_layer, nullptr);
    hostsim::SimRenderRequest request;
    request.downsample_x = down;
    request.downsample_y = down;
    const bool deep = trial % 2 == 1;
    hostsim::SimWorld got(w, h, deep), want(w, h, deep);
    // Whatever the world held before, the drawing writes every pixel.
    for (A_long y = 0; y < h; ++y) {
      for (A_long x = 0; x < w; ++x) {
        if (deep) {
          got.Pixel16(x, y) = PF_Pixel16{0x5A5A, 0x5A5A, 0x5A5A, 0x5A5A};
        } else {
          got.Pixel8(x, y) = PF_Pixel8{0x5A, 0x5A, 0x5A, 0x5A};
        }
      }
    }
    built.matte_layer->pixels.paint(request, got);
    PlainPaint(matte.shapes, down, down, want);
    const std::vector<std::uint8_t> bytes = got.PixelBytes();
    ASSERT_EQ(bytes, want.PixelBytes()) << "trial " << trial << " " << w << "x" << h;
    if (!deep) partial_pixels += std::count_if(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0 && b != 255; });
  }
  EXPECT_GT(partial_pixels, 1000);
}

}  // namespace
