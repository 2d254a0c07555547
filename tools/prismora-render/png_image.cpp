#include "png_image.h"

#include <png.h>

#include <cstdio>

#include "output_file.h"

namespace prismora_render {

namespace {

// Premultiplied channel c under alpha a (both on the world's scale) to a
// straight value on the PNG's scale, rounded.
std::uint32_t Straight(std::uint32_t c, std::uint32_t a, std::uint32_t png_max) {
  if (a == 0) return 0;
  if (c > a) c = a;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(c) * png_max + a / 2) / a);
}

std::uint32_t Scale(std::uint32_t v, std::uint32_t from_max, std::uint32_t to_max) {
  if (v > from_max) v = from_max;
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(v) * to_max + from_max / 2) / from_max);
}

}  // namespace

bool WritePng(const std::string& path, const hostsim::SimWorld& world, std::string& error) {
  OutputFile file;
  return file.Open(path, error) && WritePng(file.stream(), path, world, error) && file.Commit(error);
}

bool WritePng(std::FILE* file, const std::string& path, const hostsim::SimWorld& world, std::string& error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, &info);
    error = "out of memory";
    return false;
  }
  const bool deep = world.deep();
  const int w = world.width(), h = world.height();
  std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 4 * (deep ? 2 : 1));
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    error = "cannot write " + path;
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), deep ? 16 : 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (deep) {
        const PF_Pixel16& p = world.Pixel16(x, y);
        const std::uint32_t a = p.alpha > PF_MAX_CHAN16 ? PF_MAX_CHAN16 : p.alpha;
        const std::uint32_t v[4] = {Straight(p.red, a, 65535), Straight(p.green, a, 65535),
                                    Straight(p.blue, a, 65535), Scale(a, PF_MAX_CHAN16, 65535)};
        for (int c = 0; c < 4; ++c) {
          row[static_cast<std::size_t>(x) * 8 + c * 2] = static_cast<std::uint8_t>(v[c] >> 8);
          row[static_cast<std::size_t>(x) * 8 + c * 2 + 1] = static_cast<std::uint8_t>(v[c] & 0xFF);
        }
      } else {
        const PF_Pixel8& p = world.Pixel8(x, y);
        row[static_cast<std::size_t>(x) * 4 + 0] = static_cast<std::uint8_t>(Straight(p.red, p.alpha, 255));
        row[static_cast<std::size_t>(x) * 4 + 1] = static_cast<std::uint8_t>(Straight(p.green, p.alpha, 255));
        row[static_cast<std::size_t>(x) * 4 + 2] = static_cast<std::uint8_t>(Straight(p.blue, p.alpha, 255));
        row[static_cast<std::size_t>(x) * 4 + 3] = p.alpha;
      }
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fflush(file) != 0) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

bool ReadPng(const std::string& path, RgbaImage& image, std::string& error) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) {
    error = std::string("cannot read PNG ") + path + ": " + img.message;
    return false;
  }
  // The header alone states the size: check it in 64 bits before a byte of
  // pixels is allocated (libpng's own size macro works in 32 bits and wraps).
  const std::uint64_t pixels = static_cast<std::uint64_t>(img.width) * img.height;
  if (img.width > MAX_BACKGROUND_SIDE || img.height > MAX_BACKGROUND_SIDE || pixels > MAX_BACKGROUND_PIXELS) {
    error = "PNG " + path + " is " + std::to_string(img.width) + "x" + std::to_string(img.height) +
            " pixels; a background may have at most " + std::to_string(MAX_BACKGROUND_SIDE) + " on a side and " +
            std::to_string(MAX_BACKGROUND_PIXELS) + " in all";
    png_image_free(&img);
    return false;
  }
  img.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(pixels) * 4);
  if (!png_image_finish_read(&img, nullptr, buffer.data(), 0, nullptr)) {
    error = std::string("cannot decode PNG ") + path + ": " + img.message;
    png_image_free(&img);
    return false;
  }
  image.width = static_cast<int>(img.width);
  image.height = static_cast<int>(img.height);
  image.bit_depth = 8;
  image.rgba.assign(buffer.begin(), buffer.end());
  return true;
}

}  // namespace prismora_render
