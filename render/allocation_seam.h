// Allocation of the plug-in's own buffers, with a seam through which tests
// make the N-th allocation fail. Every buffer that has a fall-back path
// (distance planes, scratch rows, substitute inputs) is taken through
// TryAllocateArray, so a failure reaches the caller as a null result rather
// than an exception. In the shipped module the seam compiles to nothing.
// Each allocation names its call site (file and line, filled in at the
// caller by default arguments: the compilers' own builtins, which every
// toolchain here has, where std::source_location is not), so a test can
// tell which sites a frame reached and which one failed. Allocations on one
// line count as one site.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

#include "render/large_block_hint.h"

#ifdef PRISMORA_TEST_SEAMS
// Makes the nth allocation from now fail (1 = the next one); 0 disarms.
void ArmAllocationFailure(std::int64_t nth) noexcept;
// Makes the nth and the mth allocation from now fail (n < m), to reach the
// allocations of a fall-back that only a first failure opens.
void ArmAllocationFailures(std::int64_t nth, std::int64_t mth) noexcept;
void DisarmAllocationFailure() noexcept;
// How many allocations went through the seam since the counter was reset,
// and at which distinct sites; the reset clears both and the failed site.
std::int64_t AllocationSeamCount() noexcept;
void ResetAllocationSeamCount() noexcept;
std::vector<std::string> AllocationSeamSites();
// The site of the (last) armed failure, empty while none has happened.
std::string AllocationSeamFailedSite();
bool AllocationSeamFails(const char* file, int line) noexcept;
#else
constexpr bool AllocationSeamFails(const char*, int) noexcept { return false; }
#endif

// count elements of T, default-initialised (not zeroed for trivial types);
// null when the size does not fit or the memory cannot be had.
template <typename T>
std::unique_ptr<T[]> TryAllocateArray(std::uint64_t count, const char* file = __builtin_FILE(),
                                      int line = __builtin_LINE()) noexcept {
  if (AllocationSeamFails(file, line)) return nullptr;
  if (count > static_cast<std::uint64_t>(PTRDIFF_MAX) / sizeof(T)) return nullptr;
  std::unique_ptr<T[]> block(new (std::nothrow) T[static_cast<std::size_t>(count)]);
  HintLargeBlock(block.get(), static_cast<std::size_t>(count) * sizeof(T));
  return block;
}

// Releases a block of the allocators below: a
// block mapped on its own (its size kept here) goes back to the system, any
// other to the heap.
struct FreeDeleter {
  std::size_t mapped_bytes = 0;
  void operator()(void* p) const noexcept {
    if (mapped_bytes != 0) {
      UnmapLargeBlock(p, mapped_bytes);
    } else {
      std::free(p);
    }
  }
};
template <typename T>
using ZeroedArray = std::unique_ptr<T[], FreeDeleter>;
// The same owner for blocks whose contents start undefined.
template <typename T>
using RawArray = std::unique_ptr<T[], FreeDeleter>;

namespace allocation_detail {

// count elements of T: a large block is mapped on its own (zeroed, whole
// huge pages, see MapLargeBlock); a smaller one, or one the system will not
// map, comes from the heap, zeroed when asked. Null when neither can be had.
template <typename T>
std::unique_ptr<T[], FreeDeleter> AllocateBlock(std::uint64_t count, bool zeroed) noexcept {
  static_assert(std::is_trivial_v<T>);
  if (count > static_cast<std::uint64_t>(PTRDIFF_MAX) / sizeof(T)) return nullptr;
  const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(T);
  if (void* mapped = MapLargeBlock(bytes)) {
    return std::unique_ptr<T[], FreeDeleter>(static_cast<T*>(mapped), FreeDeleter{bytes});
  }
  const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 1;
  std::unique_ptr<T[], FreeDeleter> block(static_cast<T*>(zeroed ? std::calloc(n, sizeof(T)) : std::malloc(n * sizeof(T))));
  HintLargeBlock(block.get(), bytes);
  return block;
}

}  // namespace allocation_detail

// count elements of a trivial type with every byte zero, from the heap, so
// that the block may be released from its owner and freed with std::free;
// null as above. The system hands out large zeroed blocks as untouched
// pages, so the zeroing costs nothing up front and the first writes (on the
// workers) pay for it.
template <typename T>
ZeroedArray<T> TryAllocateZeroedArray(std::uint64_t count, const char* file = __builtin_FILE(),
                                      int line = __builtin_LINE()) noexcept {
  static_assert(std::is_trivial_v<T>);
  if (AllocationSeamFails(file, line)) return nullptr;
  if (count > static_cast<std::uint64_t>(PTRDIFF_MAX) / sizeof(T)) return nullptr;
  ZeroedArray<T> block(static_cast<T*>(std::calloc(count > 0 ? static_cast<std::size_t>(count) : 1, sizeof(T))));
  HintLargeBlock(block.get(), static_cast<std::size_t>(count) * sizeof(T));
  return block;
}

// As TryAllocateZeroedArray, but a large block is mapped on its own (whole
// huge pages, see MapLargeBlock): only its owner can release it, so it must
// never leave the owner as a bare pointer.
template <typename T>
ZeroedArray<T> TryAllocateLargeZeroedArray(std::uint64_t count, const char* file = __builtin_FILE(),
                                           int line = __builtin_LINE()) noexcept {
  if (AllocationSeamFails(file, line)) return nullptr;
  return allocation_detail::AllocateBlock<T>(count, true);
}

// count elements of a trivial type, contents undefined; null as above. As
// with TryAllocateLargeZeroedArray, a large block stays with its owner.
template <typename T>
RawArray<T> TryAllocateRawArray(std::uint64_t count, const char* file = __builtin_FILE(),
                                int line = __builtin_LINE()) noexcept {
  if (AllocationSeamFails(file, line)) return nullptr;
  return allocation_detail::AllocateBlock<T>(count, false);
}
