// The host's basic suite: the door to every other suite, looked up by name
// and version.
#pragma once
#include <cstddef>

#include "host/pf_basic_types.h"

extern "C" {

struct SPBasicSuite {
  SPErr (*AcquireSuite)(const char* name, A_long version, const void** suite);
  SPErr (*ReleaseSuite)(const char* name, A_long version);
  A_Boolean (*IsEqual)(const char* token1, const char* token2);
  SPErr (*AllocateBlock)(std::size_t size, void** block);
  SPErr (*FreeBlock)(void* block);
  SPErr (*ReallocateBlock)(void* block, std::size_t new_size, void** new_block);
  SPErr (*Undefined)();
};

}  // extern "C"
