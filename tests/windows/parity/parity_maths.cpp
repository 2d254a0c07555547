#include "parity_maths.h"

#include <cmath>
#include <cstring>

#include "render/portable_math.h"

namespace frame_parity {

namespace {

constexpr int ARGUMENTS = 200000;

std::uint64_t SplitMix(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

// Doubles of every magnitude, ordinary ones, and ones beside multiples of
// pi/2, in turn.
double Argument(std::uint64_t& state, int i) {
  const std::uint64_t bits = SplitMix(state);
  switch (i % 3) {
    case 0: {
      double v;
      std::memcpy(&v, &bits, sizeof v);
      return v;
    }
    case 1: return static_cast<double>(static_cast<std::int64_t>(bits >> 11) - (std::int64_t{1} << 52)) * 0x1p-46;
    default: {
      const double k = static_cast<double>(bits % 2000001) - 1000000.0;
      return std::nextafter(k * 1.5707963267948966, (bits & (std::uint64_t{1} << 63)) != 0 ? 1e300 : -1e300);
    }
  }
}

template <typename T>
void Put(std::vector<std::uint8_t>& out, T v) {
  const std::size_t at = out.size();
  out.resize(at + sizeof v);
  std::memcpy(out.data() + at, &v, sizeof v);
}

}  // namespace

std::vector<std::uint8_t> MathsSample() {
  namespace pm = portable_math;
  std::vector<std::uint8_t> out;
  std::uint64_t state = 0x5EED5EED12345678u;
  for (int i = 0; i < ARGUMENTS; ++i) {
    const double x = Argument(state, i);
    const double y = Argument(state, i + 1);
    const auto xf = static_cast<float>(x), yf = static_cast<float>(y);
    Put(out, pm::Sin(x));
    Put(out, pm::Cos(x));
    Put(out, pm::Sin(xf));
    Put(out, pm::Cos(xf));
    Put(out, pm::Tan(xf));
    Put(out, pm::Atan2(y, x));
    Put(out, pm::Atan2(yf, xf));
    Put(out, pm::Acos(std::fmod(x, 1.0)));
    Put(out, pm::PowOneThird(std::fabs(x)));
    Put(out, pm::Hypot(x, y));
    Put(out, pm::Log(std::fabs(xf)));
  }
  return out;
}

}  // namespace frame_parity
