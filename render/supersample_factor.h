// The supersampling factor of a raster pane source: the largest factor up to
// the requested one whose grid of four float planes (16 bytes per grid
// pixel) fits the memory budget. Sizes are in output pixels; a factor of 1
// means the raster is filled at output resolution.
#pragma once
#include <cstdint>

constexpr double SUPERSAMPLE_BUDGET_BYTES = 1610612736.0;
constexpr double SUPERSAMPLE_BYTES_PER_PIXEL = 16.0;

// requested below 2 is returned as it is.
std::int32_t ChooseSupersample(std::int32_t width, std::int32_t height, std::int32_t requested);
