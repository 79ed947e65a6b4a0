#include "export/cover_image.h"

#include <stb_image.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "base/pcx_image.h"
#include "base/picture_format.h"
#include "export/png_writer.h"

namespace lv::exporting {
namespace {

// Bounds on a picture to decode, checked on its header before any pixel is
// read. 4 Mpx holds a 1600 x 2560 cover, the largest e-book shops ask for;
// decoding one takes the decoders at most about 40 MB (a GIF's frame, its
// background and history: 9 bytes a pixel), and a hostile header cannot ask for more.
constexpr int kMaxSide = 8192;
constexpr std::uint64_t kMaxPixels = 4 << 20;

bool is_png(const lv::base::Bytes& b) {
  return b.size() >= 8 && std::memcmp(b.data(), "\x89PNG\r\n\x1A\n", 8) == 0;
}

bool too_large(std::uint64_t width, std::uint64_t height) {
  return width > kMaxSide || height > kMaxSide || width * height > kMaxPixels;
}

// stb_image refuses a PNG header whose picture would pass 1 GiB without
// telling its size, so the size is read here: the IHDR chunk comes first.
bool png_claims_too_much(const lv::base::Bytes& b) {
  if (b.size() < 24 || std::memcmp(b.data() + 12, "IHDR", 4) != 0) return false;
  const auto be32 = [&](std::size_t at) {
    return std::uint64_t{b.data()[at]} << 24 | std::uint64_t{b.data()[at + 1]} << 16 |
           std::uint64_t{b.data()[at + 2]} << 8 | b.data()[at + 3];
  };
  return too_large(be32(16), be32(20));
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

using Pixels = std::unique_ptr<stbi_uc, void (*)(void*)>;

struct Decoded {
  Pixels pixels{nullptr, stbi_image_free};
  int width = 0, height = 0;
  CoverProblem problem = CoverProblem::none;
};

// The whole picture, `channels` bytes a pixel (1 when it is only checked),
// when it decodes within bounds and within its bytes.
Decoded decode(std::string_view bytes, int channels) {
  Decoded d;
  int stored_channels = 0;
  Reader header{bytes};
  if (stbi_info_from_callbacks(&kCallbacks, &header, &d.width, &d.height, &stored_channels) == 0) {
    d.problem = CoverProblem::damaged;
    return d;
  }
  // A top-down BMP's height is negative here; the decoder takes its size.
  const auto size = [](int side) { return static_cast<std::uint64_t>(std::llabs(side)); };
  if (too_large(size(d.width), size(d.height))) {
    d.problem = CoverProblem::too_large;
    return d;
  }
  Reader reader{bytes};
  d.pixels.reset(stbi_load_from_callbacks(&kCallbacks, &reader, &d.width, &d.height, &stored_channels, channels));
  if (!d.pixels || reader.past_end) {
    d.pixels.reset();
    d.problem = CoverProblem::damaged;
  }
  return d;
}

// JPEG, PNG and GIF go into the book as the site sent them, once they decode.
CoverOutcome checked(const lv::base::Bytes& b, const char* media_type, const char* extension) {
  const Decoded d = decode(b.view(), 1);
  if (d.problem != CoverProblem::none) return {std::nullopt, d.problem};
  return {EpubCover{media_type, extension, std::string(b.view())}, CoverProblem::none};
}

CoverOutcome png_of_bmp(const lv::base::Bytes& bmp) {
  const Decoded d = decode(bmp.view(), 3);
  if (d.problem != CoverProblem::none) return {std::nullopt, d.problem};
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(d.width) * static_cast<std::size_t>(d.height));
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const stbi_uc* p = d.pixels.get() + 3 * i;
    pixels[i] = 0xFF000000u | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
  }
  return {png_of(d.width, d.height, pixels.data()), CoverProblem::none};
}

}  // namespace

CoverOutcome epub_cover(const lv::base::Bytes& cover) {
  using lv::base::PictureFormat;
  if (cover.empty()) return {};
  if (is_png(cover)) {
    if (png_claims_too_much(cover)) return {std::nullopt, CoverProblem::too_large};
    return checked(cover, "image/png", "png");
  }
  switch (lv::base::detect_picture_format(cover)) {
    case PictureFormat::jpeg:
      return checked(cover, "image/jpeg", "jpg");
    case PictureFormat::gif:
      return checked(cover, "image/gif", "gif");
    case PictureFormat::pcx:
      if (auto image = lv::base::decode_pcx(cover)) {
        return {png_of(image->width, image->height, image->pixels.data()), CoverProblem::none};
      }
      return {std::nullopt, CoverProblem::damaged};
    case PictureFormat::bitmap:
      return png_of_bmp(cover);
    case PictureFormat::icon:
    case PictureFormat::cursor:
      return {std::nullopt, CoverProblem::unsupported};
    case PictureFormat::none:
      break;
  }
  return {std::nullopt, CoverProblem::not_a_picture};
}

std::string english(CoverProblem problem) {
  switch (problem) {
    case CoverProblem::none:
      break;
    case CoverProblem::not_a_picture:
      return "it is not a picture (an error page or unknown bytes)";
    case CoverProblem::unsupported:
      return "it is an icon or a cursor, which e-book readers do not show";
    case CoverProblem::too_large:
      return "the picture claims to be larger than a cover can be";
    case CoverProblem::damaged:
      return "the picture is cut short or damaged";
  }
  return "";
}

std::string chinese(CoverProblem problem) {
  switch (problem) {
    case CoverProblem::none:
      break;
    case CoverProblem::not_a_picture:
      return "网站发来的不是图片（错误页面或无法识别的数据）";
    case CoverProblem::unsupported:
      return "图标和光标格式电子书阅读器无法显示";
    case CoverProblem::too_large:
      return "图片声称的尺寸超出封面可有的大小";
    case CoverProblem::damaged:
      return "图片不完整或已损坏";
  }
  return "";
}

}  // namespace lv::exporting
