#include "export/cover_image.h"

#include <cstring>

#include "base/pcx_image.h"
#include "base/picture_format.h"
#include "export/bmp_image.h"
#include "export/png_writer.h"

namespace lv::exporting {
namespace {

bool is_png(const lv::base::Bytes& b) {
  return b.size() >= 8 && std::memcmp(b.data(), "\x89PNG\r\n\x1A\n", 8) == 0;
}

EpubCover as_is(const lv::base::Bytes& b, const char* media_type, const char* extension) {
  return {media_type, extension, std::string(b.view())};
}

EpubCover png_of(int width, int height, const std::uint32_t* pixels) {
  return {"image/png", "png", encode_png(width, height, pixels)};
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
      if (auto image = decode_bmp(cover.data(), cover.size())) {
        return png_of(image->width, image->height, image->pixels.data());
      }
      return std::nullopt;
    case PictureFormat::icon:
    case PictureFormat::cursor:
    case PictureFormat::none:
      break;
  }
  return std::nullopt;
}

}  // namespace lv::exporting
