// The files the native build writes and the Windows build compares with:
// one raw frame per scene, the glyph outlines the native host resolved for
// the text scenes (the Windows host has no font rasteriser), and a sample of
// the maths functions' results. Everything is little-endian raw bytes, so
// the comparison is of bits, not of printed numbers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/scene.h"

namespace frame_parity {

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
bool ReadBytes(const std::string& path, std::vector<std::uint8_t>& bytes);

std::vector<std::uint8_t> EncodeOutlines(const hostsim::SimTextOutlines& outlines);
bool DecodeOutlines(const std::vector<std::uint8_t>& bytes, hostsim::SimTextOutlines& outlines);

}  // namespace frame_parity
