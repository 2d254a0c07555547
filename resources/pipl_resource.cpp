// Property list layout: a 16-bit version 1, a 32-bit 0, the 32-bit property
// count, then per property vendor '8BIM', key, id 0, data length and data.
// Every 32-bit field is little-endian, four-character codes included, and
// every value is zero-filled to a multiple of four bytes, counted in its
// length.
#include "resources/pipl_resource.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

#include "shell/plugin_flags.h"
#include "shell/registration_values.h"

namespace {

constexpr std::uint32_t FourCC(const char (&c)[5]) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(c[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(c[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(c[2])) << 8) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(c[3]));
}

class PiPLWriter {
 public:
  explicit PiPLWriter(std::array<std::uint8_t, PIPL_RESOURCE_SIZE>& out) : out_(out) {}

  void U16(std::uint16_t v) {
    Byte(static_cast<std::uint8_t>(v & 0xFF));
    Byte(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) Byte(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
  }

  // One property whose data the callback writes; the length is padded to 4.
  template <typename F>
  void Property(std::uint32_t key, std::uint32_t unpadded_length, F&& write_data) {
    const std::uint32_t padded = (unpadded_length + 3u) & ~3u;
    U32(FourCC("8BIM"));
    U32(key);
    U32(0);
    U32(padded);
    const std::size_t start = pos_;
    write_data();
    if (pos_ - start != unpadded_length) throw std::logic_error("PiPL property length");
    while (pos_ - start < padded) Byte(0);
  }

  void PascalString(std::string_view s) {
    Byte(static_cast<std::uint8_t>(s.size()));
    for (char c : s) Byte(static_cast<std::uint8_t>(c));
  }
  void CString(std::string_view s) {
    for (char c : s) Byte(static_cast<std::uint8_t>(c));
    Byte(0);
  }

  std::size_t Size() const { return pos_; }

 private:
  void Byte(std::uint8_t b) {
    if (pos_ >= out_.size()) throw std::logic_error("PiPL resource overflow");
    out_[pos_++] = b;
  }

  std::array<std::uint8_t, PIPL_RESOURCE_SIZE>& out_;
  std::size_t pos_ = 0;
};

}  // namespace

std::array<std::uint8_t, PIPL_RESOURCE_SIZE> BuildPiPLResource() {
  std::array<std::uint8_t, PIPL_RESOURCE_SIZE> bytes{};
  PiPLWriter w(bytes);
  const std::string_view name = PLUGIN_DISPLAY_NAME;
  const std::string_view category = PLUGIN_CATEGORY;
  const std::string_view entry = PLUGIN_ENTRY_POINT_NAME;
  const std::string_view match = PLUGIN_MATCH_NAME;
  const std::string_view url = PLUGIN_SUPPORT_URL;
  const auto len32 = [](std::size_t n) { return static_cast<std::uint32_t>(n); };

  w.U16(1);
  w.U32(0);
  w.U32(PIPL_PROPERTY_COUNT);
  w.Property(FourCC("kind"), 4, [&] { w.U32(static_cast<std::uint32_t>(PLUGIN_KIND_EFFECT)); });
  w.Property(FourCC("name"), len32(name.size() + 1), [&] { w.PascalString(name); });
  w.Property(FourCC("catg"), len32(category.size() + 1), [&] { w.PascalString(category); });
  w.Property(FourCC("8664"), len32(entry.size() + 1), [&] { w.CString(entry); });
  w.Property(FourCC("ePVR"), 4, [&] { w.U16(2); w.U16(0); });
  w.Property(FourCC("eSVR"), 4, [&] { w.U16(13); w.U16(29); });
  w.Property(FourCC("eVER"), 4, [&] { w.U32(PLUGIN_VERSION); });
  w.Property(FourCC("eINF"), 2, [&] { w.U16(0); });
  w.Property(FourCC("eGLO"), 4, [&] { w.U32(static_cast<std::uint32_t>(PLUGIN_OUT_FLAGS)); });
  w.Property(FourCC("eGL2"), 4, [&] { w.U32(static_cast<std::uint32_t>(PLUGIN_OUT_FLAGS2)); });
  w.Property(FourCC("eMNA"), len32(match.size() + 1), [&] { w.PascalString(match); });
  w.Property(FourCC("aeFL"), 4, [&] { w.U32(0); });
  // The empty support URL: its terminating NUL, padded to four zero bytes.
  w.Property(FourCC("eURL"), len32(url.size() + 1), [&] { w.CString(url); });
  if (w.Size() != PIPL_RESOURCE_SIZE) throw std::logic_error("PiPL resource size");
  return bytes;
}
