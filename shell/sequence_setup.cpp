#include "shell/sequence_setup.h"

#include "host/pf_errors.h"
#include "host/pf_out_flags.h"

namespace {

constexpr A_u_longlong SEQUENCE_FLAG_SIZE = 1;
constexpr A_u_char SEQUENCE_FLAG_VALUE = 1;

}  // namespace

PF_Err SequenceSetup(PF_InData* in_data, PF_OutData* out_data) {
  // The host may hand us a record without its utility callbacks; there is
  // nothing to allocate with then.
  if (in_data == nullptr || out_data == nullptr || in_data->utils == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  PF_UtilCallbacks* utils = in_data->utils;
  out_data->sequence_data = utils->host_new_handle(SEQUENCE_FLAG_SIZE);
  if (out_data->sequence_data != nullptr) {
    // A handle whose storage cannot be locked stays as it is: the byte is
    // never read, and the instance works without it.
    void* storage = utils->host_lock_handle(out_data->sequence_data);
    if (storage != nullptr) {
      *static_cast<A_u_char*>(storage) = SEQUENCE_FLAG_VALUE;
      utils->host_unlock_handle(out_data->sequence_data);
    }
  }
  out_data->out_flags |= PF_OutFlag_REFRESH_UI;
  return PF_Err_NONE;
}

PF_Err SequenceSetdown(PF_InData* in_data) {
  if (in_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  if (in_data->sequence_data != nullptr) {
    if (in_data->utils == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    in_data->utils->host_dispose_handle(in_data->sequence_data);
    in_data->sequence_data = nullptr;
  }
  return PF_Err_NONE;
}
