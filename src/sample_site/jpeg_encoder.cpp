#include "sample_site/jpeg_encoder.h"

#include <turbojpeg.h>

#include <memory>

namespace lv::site {
namespace {

struct HandleFree {
  void operator()(void* handle) const { tjDestroy(handle); }
};
struct BufferFree {
  void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

}  // namespace

std::string encode_jpeg(const RgbImage& image, int quality) {
  const int w = image.width, h = image.height;
  if (w <= 0 || h <= 0 || w > 0xFFFF || h > 0xFFFF ||
      image.pixels.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3) {
    return {};
  }
  const std::unique_ptr<void, HandleFree> compressor(tjInitCompress());
  if (!compressor) return {};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const int failed = tjCompress2(compressor.get(), image.pixels.data(), w, 0, h, TJPF_RGB, &buffer, &size,
                                 TJSAMP_444, quality, 0);
  const std::unique_ptr<unsigned char, BufferFree> owned(buffer);
  if (failed != 0) return {};
  return std::string(reinterpret_cast<const char*>(buffer), size);
}

}  // namespace lv::site
