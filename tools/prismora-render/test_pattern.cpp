#include "test_pattern.h"

#include <algorithm>
#include <cmath>

namespace prismora_render {

namespace {

struct Rgb {
  double r, g, b;  // 0..1
};

Rgb Hue(double h) {
  h = h - std::floor(h);
  const double k[3] = {std::fmod(5 + h * 6, 6), std::fmod(3 + h * 6, 6), std::fmod(1 + h * 6, 6)};
  double c[3];
  for (int i = 0; i < 3; ++i) c[i] = 1 - std::max(0.0, std::min({k[i], 4 - k[i], 1.0}));
  return {c[0], c[1], c[2]};
}

Rgb PatternAt(double u, double v, double aspect) {
  // Colour bars across the top fifth.
  if (v < 0.2) {
    static const Rgb bars[8] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};
    return bars[std::min(7, static_cast<int>(u * 8))];
  }
  // A hue ramp with a brightness gradient along the bottom fifth.
  if (v > 0.8) {
    const Rgb c = Hue(u);
    const double k = 0.35 + 0.65 * (1.0 - (v - 0.8) / 0.2);
    return {c.r * k, c.g * k, c.b * k};
  }
  const double x = u * aspect, y = v;
  // Thin grid lines every 1/20 of the height.
  const double gx = std::fabs(x * 20 - std::round(x * 20)), gy = std::fabs(y * 20 - std::round(y * 20));
  if (gx < 0.04 || gy < 0.04) return {0.95, 0.95, 0.95};
  // Concentric coloured rings on the left, a hue wheel in the middle, a fine
  // checkerboard on the right.
  const double cx = 0.25 * aspect, cy = 0.5;
  const double r = std::hypot(x - cx, y - cy);
  if (r < 0.28) {
    const int ring = static_cast<int>(r * 40);
    const Rgb c = Hue(ring * 0.13);
    return ring % 2 == 0 ? c : Rgb{0.08, 0.08, 0.12};
  }
  const double wx = 0.55 * aspect, wy = 0.5;
  const double wr = std::hypot(x - wx, y - wy);
  if (wr < 0.26) {
    const double a = std::atan2(y - wy, x - wx) / (2 * 3.14159265358979) + 0.5;
    const Rgb c = Hue(a);
    const double s = wr / 0.26;
    return {1 - s + s * c.r, 1 - s + s * c.g, 1 - s + s * c.b};
  }
  const int check = (static_cast<int>(std::floor(x * 60)) + static_cast<int>(std::floor(y * 60))) & 1;
  const Rgb base = Hue(u * 0.7 + v * 0.3);
  return check ? Rgb{base.r * 0.9, base.g * 0.9, base.b * 0.9} : Rgb{0.12, 0.1, 0.16};
}

template <typename Pixel>
void Store(Pixel& p, const Rgb& c, double alpha, unsigned full) {
  auto q = [&](double v) { return static_cast<decltype(p.red)>(std::lround(std::clamp(v, 0.0, 1.0) * alpha * full)); };
  p.alpha = static_cast<decltype(p.alpha)>(std::lround(alpha * full));
  p.red = q(c.r);
  p.green = q(c.g);
  p.blue = q(c.b);
}

}  // namespace

void FillTestPattern(hostsim::SimWorld& world) {
  const int w = world.width(), h = world.height();
  const double aspect = h > 0 ? static_cast<double>(w) / h : 1.0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Rgb c = PatternAt((x + 0.5) / w, (y + 0.5) / h, aspect);
      if (world.deep()) {
        Store(world.Pixel16(x, y), c, 1.0, PF_MAX_CHAN16);
      } else {
        Store(world.Pixel8(x, y), c, 1.0, PF_MAX_CHAN8);
      }
    }
  }
}

void FillFromImage(hostsim::SimWorld& world, const RgbaImage& image) {
  const int w = world.width(), h = world.height();
  const double max = image.bit_depth == 16 ? 65535.0 : 255.0;
  for (int y = 0; y < h; ++y) {
    const int sy = std::min(image.height - 1, static_cast<int>(static_cast<long long>(y) * image.height / h));
    for (int x = 0; x < w; ++x) {
      const int sx = std::min(image.width - 1, static_cast<int>(static_cast<long long>(x) * image.width / w));
      const std::uint16_t* s = &image.rgba[(static_cast<std::size_t>(sy) * image.width + sx) * 4];
      const Rgb c{s[0] / max, s[1] / max, s[2] / max};
      const double a = s[3] / max;
      if (world.deep()) {
        Store(world.Pixel16(x, y), c, a, PF_MAX_CHAN16);
      } else {
        Store(world.Pixel8(x, y), c, a, PF_MAX_CHAN8);
      }
    }
  }
}

}  // namespace prismora_render
