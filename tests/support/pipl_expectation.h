// Checks a PiPL resource field by field against the property table the host
// expects, so a failure names the property that is wrong. Shared by the
// native test and the Windows test that reads the embedded resource back.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

inline void ExpectPiPLMatchesTable(const std::vector<std::uint8_t>& bytes) {
  ASSERT_EQ(bytes.size(), 314u);
  std::size_t pos = 0;
  auto u16 = [&] {
    std::uint32_t v = bytes[pos] | (bytes[pos + 1] << 8);
    pos += 2;
    return v;
  };
  auto u32 = [&] {
    std::uint32_t v = bytes[pos] | (bytes[pos + 1] << 8) | (bytes[pos + 2] << 16) |
                      (static_cast<std::uint32_t>(bytes[pos + 3]) << 24);
    pos += 4;
    return v;
  };
  auto raw = [&](std::size_t n) {
    std::string s(bytes.begin() + static_cast<long>(pos), bytes.begin() + static_cast<long>(pos + n));
    pos += n;
    return s;
  };
  EXPECT_EQ(u16(), 1u);
  EXPECT_EQ(u32(), 0u);
  EXPECT_EQ(u32(), 13u);
  // Four-character codes are stored little-endian: '8BIM' as "MIB8".
  struct Prop {
    const char* key_le;  // the key's bytes as stored
    std::string data;
  };
  using namespace std::string_literals;
  const Prop props[] = {
      {"dnik", "TKFe"s},
      {"eman", "\x08Prismora\0\0\0"s},
      {"gtac", "\x09Vantrelle\0\0"s},
      {"4668", "EntryPointFunc\0\0"s},
      {"RVPe", "\x02\0\0\0"s},
      {"RVSe", "\x0d\0\x1d\0"s},
      {"REVe", "\x5e\x06\x08\x00"s},
      {"FNIe", "\0\0\0\0"s},
      {"OLGe", "\x44\x04\x00\x06"s},
      {"2LGe", "\x88\x04\x20\x08"s},
      {"ANMe", "\x11VantrellePrismora\0\0"s},
      {"LFea", "\0\0\0\0"s},
      {"LRUe", "\0\0\0\0"s},
  };
  for (const Prop& p : props) {
    SCOPED_TRACE(p.key_le);
    EXPECT_EQ(raw(4), "MIB8");
    EXPECT_EQ(raw(4), std::string(p.key_le));
    EXPECT_EQ(u32(), 0u);
    const std::uint32_t len = u32();
    EXPECT_EQ(len, p.data.size());
    EXPECT_EQ(raw(p.data.size()), p.data);
  }
  EXPECT_EQ(pos, 314u);
}
