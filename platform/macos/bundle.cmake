# The macOS deliverable: a universal (arm64 and x86_64) loadable bundle with
# the ".plugin" extension and its Info.plist. Only configured on macOS.
set_target_properties(Prismora PROPERTIES
  BUNDLE TRUE
  BUNDLE_EXTENSION plugin
  OSX_ARCHITECTURES "arm64;x86_64"
  MACOSX_BUNDLE_INFO_PLIST ${PRISMORA_ROOT}/platform/macos/Info.plist.in)
