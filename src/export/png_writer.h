#pragma once
// A PNG encoder for the covers the EPUB converts: 8-bit RGB, no interlacing,
// every row unfiltered; zlib does the compression.
#include <cstdint>
#include <string>

namespace lv::exporting {

// `pixels` holds width * height values 0x..RRGGBB, top row first; the top
// byte (alpha) is ignored, the pictures converted have none.
std::string encode_png(int width, int height, const std::uint32_t* pixels);

}  // namespace lv::exporting
