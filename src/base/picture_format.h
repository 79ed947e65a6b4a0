#pragma once
// Which picture format a byte set holds, told by its first six bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/text.h"

namespace lv::base {

enum class PictureFormat {
  none,    // fewer than six bytes, or a start of no known format
  bitmap,  // "BM"
  jpeg,    // FF D8
  icon,    // word 0, word 1, non-zero image count
  cursor,  // word 0, word 2, non-zero image count
  gif,     // "GIF87a" or "GIF89a"
  pcx,     // 0A, version <= 5, run-length encoded, 8 bits per pixel; or 0A 03 01 01
};

PictureFormat detect_picture_format(const std::uint8_t* data, std::size_t size);
PictureFormat detect_picture_format(const Bytes& bytes);

// Whether the bytes start as a picture does: one of the formats above, or a
// PNG. An error page or an empty answer served for a picture does not.
bool looks_like_picture(const Bytes& bytes);

// The name the format goes by in image readers ("BMP", "JPEG", "ICO", "CUR",
// "GIF", "PCX"); "" for none.
std::string_view picture_format_name(PictureFormat format);

}  // namespace lv::base
