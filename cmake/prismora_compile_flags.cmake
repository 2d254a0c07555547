# Results must be reproducible between compilers and between the Linux,
# Windows and macOS modules: no fused multiply-add contraction, no fast-math,
# the plain x86-64 baseline instruction set. A macOS compile carries both
# -arch flags, so no -march there: the arm64 slice would reject it, and the
# x86_64 slice keeps the compiler's baseline.
add_compile_options(-Wall -Wextra -Werror -ffp-contract=off -fno-fast-math)
if(NOT APPLE AND CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|amd64")
  add_compile_options(-march=x86-64 -mtune=generic)
endif()
