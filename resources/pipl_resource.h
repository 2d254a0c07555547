// The PiPL resource of the Windows module: the host reads it before it runs
// any code to learn the effect's name, category, entry point, version and
// flags. Built at compile time from the registration values; a build step
// writes these bytes to a file that the resource compiler embeds.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

constexpr std::size_t PIPL_RESOURCE_SIZE = 314;
constexpr int PIPL_RESOURCE_ID = 16000;
constexpr int PIPL_RESOURCE_LANGUAGE = 1033;
constexpr std::uint32_t PIPL_PROPERTY_COUNT = 13;

std::array<std::uint8_t, PIPL_RESOURCE_SIZE> BuildPiPLResource();
