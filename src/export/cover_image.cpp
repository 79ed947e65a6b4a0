#include "export/cover_image.h"

#include <stb_image.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "base/pcx_image.h"
#include "base/picture_format.h"
#include "export/png_writer.h"

namespace lv::exporting {
namespace {

// Bounds on a picture to convert, checked on its header before any pixel is
// read: a cover never needs more, and a hostile header cannot ask for more.
constexpr int kMaxSide = 8192;
constexpr long kMaxPixels = 16L << 20;

bool is_png(const lv::base::Bytes& b) {
  return b.size() >= 8 && std::memcmp(b.data(), "\x89PNG\r\n\x1A\n", 8) == 0;
}

EpubCover as_is(const lv::base::Bytes& b, const char* media_type, const char* extension) {
  return {media_type, extension, std::string(b.view())};
}

EpubCover png_of(int width, int height, const std::uint32_t* pixels) {
  return {"image/png", "png", encode_png(width, height, pixels)};
}

// The bytes as stb_image reads them through callbacks, which tell what its
// reads from memory do not: that the picture ran past the end of the bytes
// (stb_image would fill the rest with black).
struct Reader {
  std::string_view bytes;
  std::size_t at = 0;
  bool past_end = false;

  static int read(void* user, char* data, int size) {
    auto& r = *static_cast<Reader*>(user);
    const std::size_t n = std::min(static_cast<std::size_t>(size), r.bytes.size() - r.at);
    if (n == 0) r.past_end = true;
    std::memcpy(data, r.bytes.data() + r.at, n);
    r.at += n;
    return static_cast<int>(n);
  }
  static void skip(void* user, int n) {
    auto& r = *static_cast<Reader*>(user);
    r.past_end = r.past_end || static_cast<std::size_t>(n) > r.bytes.size() - r.at;
    r.at = std::min(r.bytes.size(), r.at + static_cast<std::size_t>(n));
  }
  static int eof(void* user) {
    const auto& r = *static_cast<Reader*>(user);
    return r.at == r.bytes.size() ? 1 : 0;
  }
};
constexpr stbi_io_callbacks kCallbacks{Reader::read, Reader::skip, Reader::eof};

std::optional<EpubCover> png_of_bmp(const lv::base::Bytes& bmp) {
  int width = 0, height = 0, channels = 0;
  Reader header{bmp.view()};
  if (stbi_info_from_callbacks(&kCallbacks, &header, &width, &height, &channels) == 0 || width > kMaxSide ||
      height > kMaxSide || long{width} * height > kMaxPixels) {
    return std::nullopt;
  }
  Reader reader{bmp.view()};
  const std::unique_ptr<stbi_uc, void (*)(void*)> rgb(
      stbi_load_from_callbacks(&kCallbacks, &reader, &width, &height, &channels, 3), stbi_image_free);
  if (!rgb || reader.past_end) return std::nullopt;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const stbi_uc* p = rgb.get() + 3 * i;
    pixels[i] = 0xFF000000u | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
  }
  return png_of(width, height, pixels.data());
}

}  // namespace

std::optional<EpubCover> epub_cover(const lv::base::Bytes& cover) {
  using lv::base::PictureFormat;
  if (is_png(cover)) return as_is(cover, "image/png", "png");
  switch (lv::base::detect_picture_format(cover)) {
    case PictureFormat::jpeg:
      return as_is(cover, "image/jpeg", "jpg");
    case PictureFormat::gif:
      return as_is(cover, "image/gif", "gif");
    case PictureFormat::pcx:
      if (auto image = lv::base::decode_pcx(cover)) {
        return png_of(image->width, image->height, image->pixels.data());
      }
      return std::nullopt;
    case PictureFormat::bitmap:
      return png_of_bmp(cover);
    case PictureFormat::icon:
    case PictureFormat::cursor:
    case PictureFormat::none:
      break;
  }
  return std::nullopt;
}

}  // namespace lv::exporting
