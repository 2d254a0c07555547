# The macOS deliverable: a universal (arm64 and x86_64) loadable bundle with
# the ".plugin" extension and its Info.plist. Only configured on macOS.
#
# The bundle is linked from the object library's objects, so those must be
# universal too: architectures set on the bundle alone would leave a slice
# empty. The other builds of the same sources follow, so that every compile
# of plug-in code sees both architectures; test programs keep the machine's
# own architecture and link the slice they need.
set(PRISMORA_MACOS_ARCHITECTURES "arm64;x86_64")
foreach(target prismora_core_objects prismora_core prismora_core_testable hostsim Prismora)
  if(TARGET ${target})
    set_target_properties(${target} PROPERTIES OSX_ARCHITECTURES "${PRISMORA_MACOS_ARCHITECTURES}")
  endif()
endforeach()
set_target_properties(Prismora PROPERTIES
  BUNDLE TRUE
  BUNDLE_EXTENSION plugin
  MACOSX_BUNDLE_INFO_PLIST ${PRISMORA_ROOT}/platform/macos/Info.plist.in)
# The host looks up these four by name; nothing else leaves the bundle, and
# what they do not reach is dropped.
foreach(symbol PluginDataEntryFunction PluginDataEntryFunction2 EffectMain EntryPointFunc)
  target_link_options(Prismora PRIVATE "LINKER:-exported_symbol,_${symbol}")
endforeach()
target_link_options(Prismora PRIVATE "LINKER:-dead_strip")
