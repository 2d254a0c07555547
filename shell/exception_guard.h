// The one place where exceptions become host error codes: a thrown int is
// the error itself, an allocation failure is out-of-memory, anything else
// is reported as internal damage. Nothing passes through to the host.
#pragma once
#include <new>

#include "host/pf_errors.h"

template <typename F>
PF_Err GuardedCall(F&& handler) noexcept {
  try {
    return handler();
  } catch (int err) {
    return static_cast<PF_Err>(err);
  } catch (const std::bad_alloc&) {
    return PF_Err_OUT_OF_MEMORY;
  } catch (...) {
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
}
