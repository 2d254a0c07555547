#include "parity_files.h"

#include <cstdio>
#include <cstring>

namespace frame_parity {

namespace {

template <typename T>
void Put(std::vector<std::uint8_t>& out, T v) {
  const std::size_t at = out.size();
  out.resize(at + sizeof v);
  std::memcpy(out.data() + at, &v, sizeof v);
}

template <typename T>
bool Take(const std::vector<std::uint8_t>& in, std::size_t& at, T& v) {
  if (in.size() - at < sizeof v) return false;
  std::memcpy(&v, in.data() + at, sizeof v);
  at += sizeof v;
  return true;
}

}  // namespace

bool WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool ReadBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  bytes.clear();
  std::uint8_t buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return true;
}

std::vector<std::uint8_t> EncodeOutlines(const hostsim::SimTextOutlines& outlines) {
  std::vector<std::uint8_t> out;
  Put(out, static_cast<std::uint32_t>(outlines.paths.size()));
  for (const hostsim::SimTextPath& p : outlines.paths) {
    Put(out, static_cast<std::uint8_t>(p.open ? 1 : 0));
    Put(out, static_cast<std::uint32_t>(p.vertices.size()));
    for (const PF_PathVertex& v : p.vertices) {
      for (double c : {v.x, v.y, v.tan_in_x, v.tan_in_y, v.tan_out_x, v.tan_out_y}) Put(out, c);
    }
  }
  return out;
}

bool DecodeOutlines(const std::vector<std::uint8_t>& bytes, hostsim::SimTextOutlines& outlines) {
  std::size_t at = 0;
  std::uint32_t paths = 0;
  if (!Take(bytes, at, paths)) return false;
  for (std::uint32_t i = 0; i < paths; ++i) {
    hostsim::SimTextPath p;
    std::uint8_t open = 0;
    std::uint32_t count = 0;
    if (!Take(bytes, at, open) || !Take(bytes, at, count)) return false;
    p.open = open != 0;
    for (std::uint32_t k = 0; k < count; ++k) {
      PF_PathVertex v{};
      for (double* c : {&v.x, &v.y, &v.tan_in_x, &v.tan_in_y, &v.tan_out_x, &v.tan_out_y}) {
        if (!Take(bytes, at, *c)) return false;
      }
      p.vertices.push_back(v);
    }
    outlines.paths.push_back(std::move(p));
  }
  return at == bytes.size();
}

}  // namespace frame_parity
