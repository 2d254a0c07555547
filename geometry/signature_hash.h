// The plug-in's 64-bit FNV-1a signature hash. It starts from its own seed,
// not from the published offset basis, so its values differ from a plain
// FNV-1a of the same bytes. Data is folded byte by byte; a 32-bit count is
// folded in one step as a whole, widened to 64 bits unsigned.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr std::uint64_t SIGNATURE_HASH_SEED = 0x14650fb0739d0383ULL;
constexpr std::uint64_t FNV_PRIME_64 = 0x100000001b3ULL;

constexpr std::uint64_t FoldHashByte(std::uint64_t h, std::uint8_t byte) {
  return (h ^ static_cast<std::uint64_t>(byte)) * FNV_PRIME_64;
}

// One step for the whole count: h = (h XOR count) x prime.
constexpr std::uint64_t FoldHashCount(std::uint64_t h, std::uint32_t count) {
  return (h ^ static_cast<std::uint64_t>(count)) * FNV_PRIME_64;
}

inline std::uint64_t FoldHashBytes(std::uint64_t h, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < size; ++i) h = FoldHashByte(h, bytes[i]);
  return h;
}
