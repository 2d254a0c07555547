// Straight-alpha RGBA images for the render tool: written from (and read
// into) the host's premultiplied ARGB worlds, 8 bits per channel for 8-bit
// worlds and 16 bits for deep ones.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "hostsim/sim_world.h"

namespace prismora_render {

struct RgbaImage {
  int width = 0;
  int height = 0;
  int bit_depth = 8;                // 8 or 16
  std::vector<std::uint16_t> rgba;  // width * height * 4, straight alpha, 0..255 or 0..65535
};

// The largest background image read: its pixels and their 16-bit copy stay
// under 1 GiB together.
constexpr std::uint32_t MAX_BACKGROUND_SIDE = 16384;
constexpr std::uint64_t MAX_BACKGROUND_PIXELS = std::uint64_t{1} << 26;  // 8192 x 8192

// Un-premultiplies the world and writes it; returns false with a message.
// The path form writes through OutputFile, so a failure leaves what stood
// at the path untouched; the stream form writes to an open file and names
// `path` in its messages.
bool WritePng(const std::string& path, const hostsim::SimWorld& world, std::string& error);
bool WritePng(std::FILE* file, const std::string& path, const hostsim::SimWorld& world, std::string& error);
// Reads any PNG as straight-alpha RGBA at 8 bits, refusing one larger than
// the limits above before its pixels are allocated.
bool ReadPng(const std::string& path, RgbaImage& image, std::string& error);

}  // namespace prismora_render
