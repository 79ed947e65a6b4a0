#pragma once
// A small PCX reader: run-length encoded pictures of 8 bits per pixel with
// the 256-colour palette at the end (or three colour planes), and the 1-bit
// forms (monochrome, or four planes of 16 colours). Anything else, a picture
// larger than the bounds below, or one whose data ends early gives nothing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "base/text.h"

namespace lv::base {

struct PcxImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0xFFRRGGBB, row after row, top first
};

inline constexpr int kPcxMaxSide = 8192;
inline constexpr std::size_t kPcxMaxPixels = std::size_t{16} << 20;

std::optional<PcxImage> decode_pcx(const std::uint8_t* data, std::size_t size);
std::optional<PcxImage> decode_pcx(const Bytes& bytes);

}  // namespace lv::base
