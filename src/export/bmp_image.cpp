#include "export/bmp_image.h"

#include <cstdlib>

namespace lv::exporting {
namespace {

std::uint32_t u32_at(const std::uint8_t* p) {  // little-endian
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
unsigned u16_at(const std::uint8_t* p) { return unsigned{p[0]} | unsigned{p[1]} << 8; }
std::int32_t i32_at(const std::uint8_t* p) { return static_cast<std::int32_t>(u32_at(p)); }

// 14-byte file header, then at least the 40-byte information header.
constexpr std::size_t kHeaders = 14 + 40;
constexpr std::uint32_t kUncompressed = 0;  // BI_RGB
constexpr std::uint32_t kBitFields = 3;     // BI_BITFIELDS

}  // namespace

std::optional<RgbImage> decode_bmp(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < kHeaders || data[0] != 'B' || data[1] != 'M') return std::nullopt;
  const std::uint32_t pixel_offset = u32_at(data + 10);
  const std::uint32_t info_size = u32_at(data + 14);
  const std::int32_t width = i32_at(data + 18);
  const std::int32_t signed_height = i32_at(data + 22);
  const unsigned planes = u16_at(data + 26);
  const unsigned bits = u16_at(data + 28);
  const std::uint32_t compression = u32_at(data + 30);

  if (info_size < 40 || planes != 1 || (bits != 24 && bits != 32)) return std::nullopt;
  if (compression == kBitFields) {
    // The masks follow the 40-byte header, or sit at the same place inside a
    // longer one. Only the layout that plain 32-bit BGR uses is read.
    if (bits != 32 || size < kHeaders + 12 || u32_at(data + 54) != 0x00FF0000 ||
        u32_at(data + 58) != 0x0000FF00 || u32_at(data + 62) != 0x000000FF) {
      return std::nullopt;
    }
  } else if (compression != kUncompressed) {
    return std::nullopt;
  }
  if (width <= 0 || signed_height == 0 || signed_height == INT32_MIN) return std::nullopt;
  const bool top_down = signed_height < 0;
  const std::int32_t height = std::abs(signed_height);
  if (width > kBmpMaxSide || height > kBmpMaxSide ||
      std::size_t(width) * std::size_t(height) > kBmpMaxPixels) {
    return std::nullopt;
  }

  const std::size_t bytes_per_pixel = bits / 8;
  const std::size_t stride = (std::size_t(width) * bits + 31) / 32 * 4;  // rows padded to 4 bytes
  if (pixel_offset < kHeaders || pixel_offset > size ||
      (size - pixel_offset) / stride < std::size_t(height)) {
    return std::nullopt;
  }

  RgbImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(std::size_t(width) * std::size_t(height));
  for (std::int32_t y = 0; y < height; ++y) {
    const std::int32_t source_row = top_down ? y : height - 1 - y;
    const std::uint8_t* p = data + pixel_offset + std::size_t(source_row) * stride;
    std::uint32_t* out = image.pixels.data() + std::size_t(y) * std::size_t(width);
    for (std::int32_t x = 0; x < width; ++x, p += bytes_per_pixel) {
      out[x] = 0xFF000000u | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
    }
  }
  return image;
}

}  // namespace lv::exporting
