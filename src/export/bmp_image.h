#pragma once
// A small BMP reader for covers: uncompressed pictures of 24 or 32 bits per
// pixel (32 bits also with the usual BGR bit masks), bottom-up or top-down.
// Anything else, a picture beyond the bounds below, or one whose pixels run
// past the end of the bytes gives nothing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace lv::exporting {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xFFRRGGBB, row after row, top first
};

inline constexpr int kBmpMaxSide = 8192;
inline constexpr std::size_t kBmpMaxPixels = std::size_t{16} << 20;

std::optional<RgbImage> decode_bmp(const std::uint8_t* data, std::size_t size);

}  // namespace lv::exporting
