// "PF Handle Suite" version 2: host memory handles. A handle points at the
// pointer to its storage; lock returns that storage, null when it cannot.
#pragma once
#include "host/pf_basic_types.h"

extern "C" {

using A_HandleSize = A_u_longlong;

struct PF_HandleSuite2 {
  PF_Handle (*host_new_handle)(A_HandleSize size);
  void* (*host_lock_handle)(PF_Handle pf_handle);
  void (*host_unlock_handle)(PF_Handle pf_handle);
  void (*host_dispose_handle)(PF_Handle pf_handle);
  A_HandleSize (*host_get_handle_size)(PF_Handle pf_handle);
  PF_Err (*host_resize_handle)(A_HandleSize new_size, PF_Handle* handle);
};

}  // extern "C"
