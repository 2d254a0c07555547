// The portable maths functions over a fixed spread of arguments (random bit
// patterns, ordinary ranges, near multiples of pi/2), their results as raw
// bytes: two builds whose samples are equal byte for byte compute the
// functions alike.
#pragma once
#include <cstdint>
#include <vector>

namespace frame_parity {

std::vector<std::uint8_t> MathsSample();

}  // namespace frame_parity
