#include "hostsim/registration_capture.h"

namespace hostsim {

namespace {

struct CaptureContext {
  RegistrationRecord* record;
  PF_Err result;
};

std::string Str(const A_u_char* s) { return s ? std::string(reinterpret_cast<const char*>(s)) : std::string(); }

void Fill(CaptureContext* ctx, PF_PluginDataPtr inPtr, const A_u_char* name, const A_u_char* matchName,
          const A_u_char* category, const A_u_char* entryPointName, A_long kind, A_long major, A_long minor,
          A_long reservedInfo) {
  RegistrationRecord& r = *ctx->record;
  ++r.calls;
  r.in_ptr_matched = inPtr == ctx;
  r.name = Str(name);
  r.match_name = Str(matchName);
  r.category = Str(category);
  r.entry_point_name = Str(entryPointName);
  r.kind = kind;
  r.api_major = major;
  r.api_minor = minor;
  r.reserved_info = reservedInfo;
}

PF_Err Callback9(PF_PluginDataPtr inPtr, const A_u_char* name, const A_u_char* matchName, const A_u_char* category,
                 const A_u_char* entryPointName, A_long kind, A_long major, A_long minor, A_long reservedInfo) {
  auto* ctx = static_cast<CaptureContext*>(inPtr);
  Fill(ctx, inPtr, name, matchName, category, entryPointName, kind, major, minor, reservedInfo);
  ctx->record->argument_count = 9;
  return ctx->result;
}

PF_Err Callback10(PF_PluginDataPtr inPtr, const A_u_char* name, const A_u_char* matchName, const A_u_char* category,
                  const A_u_char* entryPointName, A_long kind, A_long major, A_long minor, A_long reservedInfo,
                  const A_u_char* supportURL) {
  auto* ctx = static_cast<CaptureContext*>(inPtr);
  Fill(ctx, inPtr, name, matchName, category, entryPointName, kind, major, minor, reservedInfo);
  ctx->record->argument_count = 10;
  ctx->record->support_url = Str(supportURL);
  ctx->record->support_url_null = supportURL == nullptr;
  return ctx->result;
}

}  // namespace

PF_Err RunRegistration(const ModuleEntryPoints& module, int version, RegistrationRecord& out, PF_Err callback_result) {
  out = RegistrationRecord{};
  CaptureContext ctx{&out, callback_result};
  if (version == 1) {
    return module.plugin_data_entry(&ctx, Callback9, nullptr, "hostsim", "1.0");
  }
  return module.plugin_data_entry2(&ctx, Callback10, nullptr, "hostsim", "1.0");
}

}  // namespace hostsim
