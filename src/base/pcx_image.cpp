#include "base/pcx_image.h"

#include <algorithm>
#include <array>

namespace lv::base {

namespace {

constexpr std::size_t kHeaderBytes = 128;
// The 256-colour palette: a 0x0C marker, then 256 RGB triples, at the very end.
constexpr std::size_t kPaletteBytes = 768;
constexpr std::uint8_t kPaletteMarker = 0x0C;
// A run byte has its two top bits set; the low six give the count (0 to 63).
constexpr std::uint8_t kRunFlag = 0xC0;
constexpr unsigned kMaxRun = 0x3F;

unsigned word_at(const std::uint8_t* p) {
  return static_cast<unsigned>(p[0]) | (static_cast<unsigned>(p[1]) << 8);
}

std::uint32_t rgb(unsigned r, unsigned g, unsigned b) {
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

using Palette16 = std::array<std::uint32_t, 16>;

// The colours a version 3 file means, since it carries no palette of its own.
Palette16 ega_palette() {
  return {rgb(0, 0, 0),       rgb(0, 0, 170),     rgb(0, 170, 0),     rgb(0, 170, 170),
          rgb(170, 0, 0),     rgb(170, 0, 170),   rgb(170, 85, 0),    rgb(170, 170, 170),
          rgb(85, 85, 85),    rgb(85, 85, 255),   rgb(85, 255, 85),   rgb(85, 255, 255),
          rgb(255, 85, 85),   rgb(255, 85, 255),  rgb(255, 255, 85),  rgb(255, 255, 255)};
}

Palette16 header_palette(const std::uint8_t* header) {
  Palette16 palette{};
  const std::uint8_t* p = header + 16;
  for (std::size_t i = 0; i < palette.size(); ++i, p += 3) palette[i] = rgb(p[0], p[1], p[2]);
  return palette;
}

enum class Layout { indexed8, rgb24, mono, planar16 };

// Undoes the run-length coding one scan line at a time; a run may go on into
// the next line, as some writers let it.
class RunReader {
 public:
  RunReader(const std::uint8_t* begin, const std::uint8_t* end) : p_(begin), end_(end) {}

  bool fill(std::vector<std::uint8_t>& line) {
    std::size_t at = 0;
    while (at < line.size()) {
      if (pending_ == 0) {
        if (p_ == end_) return false;
        const std::uint8_t b = *p_++;
        if ((b & kRunFlag) == kRunFlag) {
          if (p_ == end_) return false;
          pending_ = b & kMaxRun;
          value_ = *p_++;
          continue;
        }
        pending_ = 1;
        value_ = b;
      }
      const std::size_t n = std::min<std::size_t>(pending_, line.size() - at);
      std::fill_n(line.begin() + static_cast<std::ptrdiff_t>(at), n, value_);
      at += n;
      pending_ -= static_cast<unsigned>(n);
    }
    return true;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
  unsigned pending_ = 0;
  std::uint8_t value_ = 0;
};

bool bit_at(const std::uint8_t* plane, int x) {
  return (plane[x >> 3] >> (7 - (x & 7))) & 1;
}

}  // namespace

std::optional<PcxImage> decode_pcx(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < kHeaderBytes) return std::nullopt;
  const std::uint8_t* h = data;
  const unsigned version = h[1];
  const unsigned bits = h[3];
  const unsigned planes = h[65];
  if (h[0] != 0x0A || version > 5 || h[2] != 1) return std::nullopt;

  Layout layout;
  if (bits == 8 && planes == 1) {
    layout = Layout::indexed8;
  } else if (bits == 8 && planes == 3) {
    layout = Layout::rgb24;
  } else if (bits == 1 && planes == 1) {
    layout = Layout::mono;
  } else if (bits == 1 && planes == 4) {
    layout = Layout::planar16;
  } else {
    return std::nullopt;
  }

  const unsigned x_min = word_at(h + 4), y_min = word_at(h + 6);
  const unsigned x_max = word_at(h + 8), y_max = word_at(h + 10);
  if (x_max < x_min || y_max < y_min) return std::nullopt;
  const std::size_t width = x_max - x_min + 1;
  const std::size_t height = y_max - y_min + 1;
  if (width > kPcxMaxSide || height > kPcxMaxSide || width * height > kPcxMaxPixels) {
    return std::nullopt;
  }
  const std::size_t plane_bytes = word_at(h + 66);
  if (plane_bytes * 8 < width * bits) return std::nullopt;

  const std::uint8_t* body = data + kHeaderBytes;
  const std::uint8_t* body_end = data + size;
  std::array<std::uint32_t, 256> palette256{};
  if (layout == Layout::indexed8) {
    if (size < kHeaderBytes + kPaletteBytes + 1 ||
        data[size - kPaletteBytes - 1] != kPaletteMarker) {
      return std::nullopt;
    }
    body_end = data + size - kPaletteBytes - 1;
    const std::uint8_t* p = body_end + 1;
    for (std::size_t i = 0; i < palette256.size(); ++i, p += 3) {
      palette256[i] = rgb(p[0], p[1], p[2]);
    }
  }
  const Palette16 palette16 = version == 3 ? ega_palette() : header_palette(h);

  // Two coded bytes give at most 63 bytes, so data shorter than that bound
  // cannot hold the picture; refuse before making room for it.
  const std::size_t line_bytes = plane_bytes * planes;
  const std::size_t coded = static_cast<std::size_t>(body_end - body);
  if (line_bytes * height * 2 > coded * kMaxRun) return std::nullopt;

  PcxImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.resize(width * height);
  std::vector<std::uint8_t> line(line_bytes);
  RunReader reader(body, body_end);
  const int w = image.width;
  for (std::size_t y = 0; y < height; ++y) {
    if (!reader.fill(line)) return std::nullopt;
    std::uint32_t* out = image.pixels.data() + y * width;
    const std::uint8_t* plane0 = line.data();
    switch (layout) {
      case Layout::indexed8:
        for (int x = 0; x < w; ++x) out[x] = palette256[plane0[x]];
        break;
      case Layout::rgb24: {
        const std::uint8_t* g = plane0 + plane_bytes;
        const std::uint8_t* b = g + plane_bytes;
        for (int x = 0; x < w; ++x) out[x] = rgb(plane0[x], g[x], b[x]);
        break;
      }
      case Layout::mono:
        for (int x = 0; x < w; ++x) out[x] = bit_at(plane0, x) ? rgb(255, 255, 255) : rgb(0, 0, 0);
        break;
      case Layout::planar16:
        for (int x = 0; x < w; ++x) {
          unsigned index = 0;
          for (unsigned plane = 0; plane < 4; ++plane) {
            index |= static_cast<unsigned>(bit_at(plane0 + plane * plane_bytes, x)) << plane;
          }
          out[x] = palette16[index];
        }
        break;
    }
  }
  return image;
}

std::optional<PcxImage> decode_pcx(const Bytes& bytes) {
  return decode_pcx(bytes.data(), bytes.size());
}

}  // namespace lv::base
