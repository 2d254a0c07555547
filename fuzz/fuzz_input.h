// Reads a fuzzer's bytes as a stream of values. Past the end every read
// gives 0, so any input, the empty one included, decodes to something.
// Numbers come in several encodings chosen by a tag byte, so that short
// inputs reach small and ordinary values while raw bit patterns (NaN,
// infinities, denormals, the extremes) stay one byte away.
#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t remaining() const { return size_ - pos_; }

  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  bool Bool() { return (Byte() & 1) != 0; }
  std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return v;
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  // An integer in [lo, hi] from one byte (two when the range needs it).
  std::int32_t Range(std::int32_t lo, std::int32_t hi) {
    const std::uint32_t span = static_cast<std::uint32_t>(hi - lo) + 1;
    const std::uint32_t raw = span <= 256 ? Byte() : (static_cast<std::uint32_t>(Byte()) << 8) | Byte();
    return lo + static_cast<std::int32_t>(raw % span);
  }

  // A double near `scale`: tags pick a small integer, a fraction of the
  // scale, a special value, or eight raw bytes.
  double Number(double scale = 100.0) {
    const std::uint8_t tag = Byte();
    switch (tag % 8) {
      case 0:
      case 1:
      case 2:
        return static_cast<double>(static_cast<std::int8_t>(Byte())) * scale / 64.0;
      case 3:
        return static_cast<double>(static_cast<std::int16_t>((Byte() << 8) | Byte())) * scale / 8192.0;
      case 4:
        return static_cast<double>(static_cast<std::int8_t>(Byte()));
      case 5: {
        static constexpr double SPECIAL[] = {0.0,
                                             -0.0,
                                             std::numeric_limits<double>::quiet_NaN(),
                                             std::numeric_limits<double>::infinity(),
                                             -std::numeric_limits<double>::infinity(),
                                             1e308,
                                             -1e308,
                                             std::numeric_limits<double>::denorm_min(),
                                             1e-300,
                                             3.5e38,
                                             -3.5e38,
                                             1e20,
                                             2147483648.0,
                                             -2147483649.0,
                                             0.5,
                                             1e10};
        return SPECIAL[Byte() % (sizeof SPECIAL / sizeof SPECIAL[0])];
      }
      default: {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits = (bits << 8) | Byte();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
      }
    }
  }
  float Float(double scale = 100.0) { return ToFloat(Number(scale)); }

  // A double converted as the plug-in's records do (out of range becomes
  // an infinity rather than undefined behaviour).
  static float ToFloat(double v) {
    if (std::isnan(v)) return std::numeric_limits<float>::quiet_NaN();
    if (v > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
    if (v < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A failed property: report it the way a sanitizer would, so the fuzzer
// keeps the input.
#define FUZZ_CHECK(cond)                                                          \
  do {                                                                            \
    if (!(cond)) {                                                                \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                               \
    }                                                                             \
  } while (0)
