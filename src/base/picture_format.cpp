#include "base/picture_format.h"

#include <cstring>

namespace lv::base {

namespace {

constexpr std::size_t kSignatureBytes = 6;

unsigned word_at(const std::uint8_t* p) {  // little-endian 16-bit
  return static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8);
}

}  // namespace

PictureFormat detect_picture_format(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < kSignatureBytes) return PictureFormat::none;
  if (data[0] == 'B' && data[1] == 'M') return PictureFormat::bitmap;
  if (data[0] == 0xFF && data[1] == 0xD8) return PictureFormat::jpeg;
  // Icon and cursor directories: reserved word 0, type word, image count.
  if (word_at(data) == 0 && word_at(data + 4) != 0) {
    if (word_at(data + 2) == 1) return PictureFormat::icon;
    if (word_at(data + 2) == 2) return PictureFormat::cursor;
  }
  if (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0) {
    return PictureFormat::gif;
  }
  // PCX: maker byte 0x0A, version, encoding 1 (run-length), bits per pixel.
  if (data[0] == 0x0A && data[2] == 1) {
    if (data[1] <= 5 && data[3] == 8) return PictureFormat::pcx;
    if (data[1] == 3 && data[3] == 1) return PictureFormat::pcx;
  }
  return PictureFormat::none;
}

bool looks_like_picture(const Bytes& bytes) {
  static constexpr char kPng[] = "\x89PNG\r\n\x1A\n";
  if (bytes.view().starts_with(std::string_view(kPng, 8))) return true;
  return detect_picture_format(bytes) != PictureFormat::none;
}

PictureFormat detect_picture_format(const Bytes& bytes) {
  return detect_picture_format(bytes.data(), bytes.size());
}

std::string_view picture_format_name(PictureFormat format) {
  switch (format) {
    case PictureFormat::bitmap: return "BMP";
    case PictureFormat::jpeg: return "JPEG";
    case PictureFormat::icon: return "ICO";
    case PictureFormat::cursor: return "CUR";
    case PictureFormat::gif: return "GIF";
    case PictureFormat::pcx: return "PCX";
    case PictureFormat::none: break;
  }
  return "";
}

}  // namespace lv::base
