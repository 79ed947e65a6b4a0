#include "sample_site/cover_art.h"

#include <algorithm>
#include <cmath>

#include "sample_site/jpeg_encoder.h"
#include "sample_site/site_random.h"

namespace lv::site {
namespace {

struct Rgb {
  double r, g, b;
};

Rgb blend(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb random_colour(Stream& s, int lo, int hi) {
  return {static_cast<double>(s.range(lo, hi)), static_cast<double>(s.range(lo, hi)),
          static_cast<double>(s.range(lo, hi))};
}

void put(RgbImage& img, int x, int y, Rgb c) {
  const std::size_t p = (static_cast<std::size_t>(y) * static_cast<std::size_t>(img.width) +
                         static_cast<std::size_t>(x)) * 3;
  img.pixels[p] = static_cast<std::uint8_t>(std::clamp(c.r, 0.0, 255.0));
  img.pixels[p + 1] = static_cast<std::uint8_t>(std::clamp(c.g, 0.0, 255.0));
  img.pixels[p + 2] = static_cast<std::uint8_t>(std::clamp(c.b, 0.0, 255.0));
}

RgbImage blank() {
  RgbImage img;
  img.width = kCoverWidth;
  img.height = kCoverHeight;
  img.pixels.assign(static_cast<std::size_t>(kCoverWidth * kCoverHeight * 3), 0);
  return img;
}

}  // namespace

std::string cover_jpeg(std::uint64_t book_hash) {
  Stream s(hash_of(book_hash, 0xC0FE));
  const Rgb sky_top = random_colour(s, 10, 120);
  const Rgb sky_bottom = random_colour(s, 120, 250);
  const Rgb far_hills = random_colour(s, 40, 140);
  const Rgb near_hills = random_colour(s, 5, 70);
  const Rgb plate = random_colour(s, 150, 240);
  const double sun_x = s.range(20, 100), sun_y = s.range(20, 60), sun_r = s.range(8, 18);
  const double f1 = s.range(3, 9) / 100.0, f2 = s.range(5, 15) / 100.0, p1 = s.range(0, 628) / 100.0;
  const double base_far = s.range(70, 90), base_near = s.range(95, 115);

  RgbImage img = blank();
  for (int y = 0; y < kCoverHeight; ++y) {
    for (int x = 0; x < kCoverWidth; ++x) {
      Rgb c = blend(sky_top, sky_bottom, y / static_cast<double>(kCoverHeight));
      const double dx = x - sun_x, dy = y - sun_y;
      if (dx * dx + dy * dy < sun_r * sun_r) c = blend(c, {250, 240, 200}, 0.85);
      const double far_line = base_far - 18 * std::sin(x * f1 + p1) - 6 * std::sin(x * f2);
      if (y > far_line) c = blend(far_hills, sky_bottom, 0.25);
      const double near_line = base_near - 12 * std::sin(x * f2 + 2 * p1) - 4 * std::cos(x * f1 * 3);
      if (y > near_line) c = near_hills;
      // a light plate where a printed cover carries its title
      if (y >= 118 && y < 142 && x >= 10 && x < 110) c = blend(c, plate, 0.8);
      put(img, x, y, c);
    }
  }
  return encode_jpeg(img, 80);
}

std::string placeholder_cover_jpeg() {
  RgbImage img = blank();
  for (int y = 0; y < kCoverHeight; ++y) {
    for (int x = 0; x < kCoverWidth; ++x) {
      const bool frame = x < 4 || y < 4 || x >= kCoverWidth - 4 || y >= kCoverHeight - 4;
      const bool mark = x >= 35 && x < 85 && y >= 50 && y < 100;
      const double v = frame ? 170 : mark ? 205 : 225;
      put(img, x, y, {v, v, v});
    }
  }
  return encode_jpeg(img, 80);
}

}  // namespace lv::site
