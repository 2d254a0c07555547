// Straight-alpha RGBA images for the render tool: written from (and read
// into) the host's premultiplied ARGB worlds, 8 bits per channel for 8-bit
// worlds and 16 bits for deep ones.
#pragma once
#include <cstdint>
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

// Un-premultiplies the world and writes it; returns false with a message.
bool WritePng(const std::string& path, const hostsim::SimWorld& world, std::string& error);
// Reads any PNG as straight-alpha RGBA at 8 or 16 bits.
bool ReadPng(const std::string& path, RgbaImage& image, std::string& error);

}  // namespace prismora_render
