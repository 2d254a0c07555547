// Prints the three curve tables of this (native) build as the bit patterns
// of their floats, one table a line, for comparison with the tables that a
// bundle slice computes in the emulator.
#include <bit>
#include <cstdint>
#include <cstdio>

#include "render/curve_tables.h"

namespace {

void Print(const char* name, const CurveTable& table) {
  std::printf("%s", name);
  for (float v : table) std::printf(" %08x", static_cast<unsigned>(std::bit_cast<std::uint32_t>(v)));
  std::printf("\n");
}

}  // namespace

int main() {
  Print("CURVE_RIM_FALLOFF", CURVE_RIM_FALLOFF);
  Print("CURVE_PROFILE_FALLOFF", CURVE_PROFILE_FALLOFF);
  Print("CURVE_PROFILE_RISE", CURVE_PROFILE_RISE);
  return 0;
}
