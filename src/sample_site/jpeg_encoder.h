#pragma once
// The generated covers as baseline JPEG (JFIF, 8-bit, three components, no
// subsampling), written by libjpeg-turbo.
#include <cstdint>
#include <string>
#include <vector>

namespace lv::site {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // RGB, row by row, width * height * 3 bytes
};

// quality 1..100 scales the standard quantisation tables. An empty image or
// one whose pixel count does not match its size gives "".
std::string encode_jpeg(const RgbImage& image, int quality = 80);

}  // namespace lv::site
