// The simulated host's worlds: fresh pixels read as zero and the row padding
// as the sentinel, small and large (a large world's storage is mapped from
// the system rather than cleared); a copy owns its own pixels and its world
// points at them, so writing one leaves the other alone; a moved-to world
// takes the pixels over.
#include "hostsim/sim_world.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

namespace hostsim {
namespace {

struct WorldCase {
  A_long width;
  A_long height;
  bool deep;
  A_long padding;
};

// 3840 x 2160 deep is far above the size the world maps on its own; the
// small ones stay on the heap.
const WorldCase CASES[] = {{1, 1, false, 0}, {7, 5, true, 3}, {1920, 1080, false, 0}, {3840, 2160, true, 0},
                           {3841, 2161, true, 12}};

std::uint8_t* RowStart(SimWorld& world, A_long y) {
  return static_cast<std::uint8_t*>(static_cast<void*>(world.world().data)) +
         static_cast<std::size_t>(y) * world.world().rowbytes;
}

TEST(SimWorldTest, FreshWorldsAreZeroWithIntactPadding) {
  for (const WorldCase& c : CASES) {
    SimWorld world(c.width, c.height, c.deep, c.padding);
    ASSERT_NE(world.world().data, nullptr);
    EXPECT_TRUE(world.PaddingIntact()) << c.width << "x" << c.height;
    const A_long bpp = c.deep ? 8 : 4;
    for (A_long y : {A_long{0}, c.height / 2, c.height - 1}) {
      const std::uint8_t* row = RowStart(world, y);
      for (A_long b = 0; b < c.width * bpp; b += (b < 64 ? 1 : 509)) {
        ASSERT_EQ(row[b], 0) << c.width << "x" << c.height << " row " << y << " byte " << b;
      }
      ASSERT_EQ(row[c.width * bpp - 1], 0);
    }
  }
}

TEST(SimWorldTest, CopiesOwnTheirPixelsAndMovesTakeThemOver) {
  for (const WorldCase& c : CASES) {
    SimWorld original(c.width, c.height, c.deep, c.padding);
    const A_long last_x = c.width - 1;
    const A_long last_y = c.height - 1;
    if (c.deep) {
      original.Pixel16(0, 0).red = 1234;
      original.Pixel16(last_x, last_y).alpha = 32768;
    } else {
      original.Pixel8(0, 0).red = 12;
      original.Pixel8(last_x, last_y).alpha = 255;
    }

    SimWorld copy = original;
    EXPECT_NE(copy.world().data, original.world().data);
    EXPECT_EQ(copy.PixelBytes(), original.PixelBytes());
    EXPECT_TRUE(copy.PaddingIntact());
    // Writing through the copy's world must reach the copy only.
    const std::uint8_t before = RowStart(original, last_y)[1];
    RowStart(copy, last_y)[1] = static_cast<std::uint8_t>(before + 77);
    EXPECT_EQ(RowStart(original, last_y)[1], before);
    EXPECT_EQ(RowStart(copy, last_y)[1], static_cast<std::uint8_t>(before + 77));
    if (c.deep) {
      EXPECT_EQ(copy.Pixel16(last_x, last_y).alpha, 32768);
    } else {
      EXPECT_EQ(copy.Pixel8(last_x, last_y).alpha, 255);
    }

    SimWorld assigned(2, 2, false);
    assigned = copy;
    EXPECT_NE(assigned.world().data, copy.world().data);
    EXPECT_EQ(assigned.PixelBytes(), copy.PixelBytes());
    EXPECT_EQ(assigned.width(), c.width);

    const auto* pixels = copy.world().data;
    SimWorld moved = std::move(copy);
    EXPECT_EQ(moved.world().data, pixels);
    EXPECT_EQ(moved.PixelBytes(), assigned.PixelBytes());
    EXPECT_EQ(copy.world().data, nullptr);  // NOLINT(bugprone-use-after-move): the state after a move is the point
  }
}

}  // namespace
}  // namespace hostsim
