// Error codes the host understands as the result of a command.
#pragma once
#include "host/pf_basic_types.h"

constexpr PF_Err PF_Err_NONE = 0;
constexpr PF_Err PF_Err_OUT_OF_MEMORY = 4;
constexpr PF_Err PF_Err_INTERNAL_STRUCT_DAMAGED = 512;
constexpr PF_Err PF_Err_INVALID_INDEX = 513;
constexpr PF_Err PF_Err_UNRECOGNIZED_PARAM_TYPE = 514;
constexpr PF_Err PF_Err_INVALID_CALLBACK = 515;
constexpr PF_Err PF_Err_BAD_CALLBACK_PARAM = 516;

constexpr A_Err A_Err_NONE = 0;
constexpr A_Err A_Err_GENERIC = 1;
constexpr A_Err A_Err_ALLOC = 3;
