// Build-time helper: writes the PiPL resource bytes to the file named on the
// command line, for the resource compiler to embed.
#include <cstdio>

#include "resources/pipl_resource.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pipl_writer OUTPUT\n");
    return 2;
  }
  const auto bytes = BuildPiPLResource();
  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr) return 1;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return (std::fclose(f) == 0 && ok) ? 0 : 1;
}
