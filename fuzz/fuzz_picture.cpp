// Picture format detection, the PCX reader and the cover check on arbitrary
// bytes: no crash, no read outside the input, every decoded picture within
// its bounds, a BMP either becomes a PNG or is left out, and a JPEG, PNG or
// GIF goes into the book as it came or is left out, saying why.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/pcx_image.h"
#include "base/picture_format.h"
#include "export/cover_image.h"

namespace {

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

void check_decoded(const std::uint8_t* data, std::size_t size) {
  const auto image = lv::base::decode_pcx(data, size);
  if (!image) return;
  check(image->width >= 1 && image->width <= lv::base::kPcxMaxSide, "width in bounds");
  check(image->height >= 1 && image->height <= lv::base::kPcxMaxSide, "height in bounds");
  check(image->pixels.size() == static_cast<std::size_t>(image->width) *
                                    static_cast<std::size_t>(image->height),
        "one pixel per place");
  for (std::uint32_t pixel : image->pixels) check((pixel >> 24) == 0xFF, "opaque pixels");
}

// The input behind a header that passes the reader's first checks, so the
// run decoding and the layouts are reached often.
void decode_behind_header(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return;
  static constexpr std::uint8_t kLayouts[][3] = {{5, 8, 1}, {5, 8, 3}, {3, 1, 1}, {5, 1, 4}, {3, 1, 4}};
  const auto& layout = kLayouts[data[0] % 5];
  std::vector<std::uint8_t> file(128, 0);
  file[0] = 0x0A;
  file[1] = layout[0];
  file[2] = 1;
  file[3] = layout[1];
  file[65] = layout[2];
  file[8] = data[1] & 0x3F;   // x_max: up to 64 wide
  file[10] = data[2] & 0x3F;  // y_max
  file[66] = data[3];         // bytes per plane line
  std::memcpy(file.data() + 16, data + 4, 4);
  file.insert(file.end(), data + 4, data + size);
  check_decoded(file.data(), file.size());
}

void check_bmp_cover(const std::uint8_t* data, std::size_t size) {
  const auto cover = lv::exporting::epub_cover(lv::base::Bytes(data, size)).cover;
  if (!cover) return;
  check(cover->media_type == "image/png" && cover->bytes.starts_with("\x89PNG\r\n\x1A\n"), "a BMP becomes a PNG");
}

void check_cover(const std::uint8_t* data, std::size_t size) {
  using lv::exporting::CoverProblem;
  const auto outcome = lv::exporting::epub_cover(lv::base::Bytes(data, size));
  check(size == 0 || outcome.cover.has_value() == (outcome.problem == CoverProblem::none),
        "a cover, or the reason there is none");
  if (!outcome.cover) return;
  const bool png = size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1A\n", 8) == 0;
  if (outcome.cover->media_type == "image/png" && !png) return;  // a PCX or BMP converted
  const bool same = outcome.cover->bytes.size() == size && std::memcmp(outcome.cover->bytes.data(), data, size) == 0;
  check(same, "a JPEG, PNG or GIF goes in as it came");
}

void put32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A BMP header built from the input's first bytes (small pictures, the bit
// depths and compressions found in the wild, a palette of some size), then
// the rest of the input as palette and pixels.
void convert_bmp_behind_header(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return;
  static constexpr std::uint8_t kBits[] = {1, 4, 8, 16, 24, 32};
  std::vector<std::uint8_t> file(54, 0);
  file[0] = 'B';
  file[1] = 'M';
  put32(file, 2, static_cast<std::uint32_t>(54 + size - 6));
  put32(file, 10, 54 + 4u * (data[0] & 0x3F));  // where the pixels start
  put32(file, 14, 40);
  put32(file, 18, 1u + data[1] % 64);
  const std::int32_t height = (1 + data[2] % 64) * (data[2] & 0x80 ? -1 : 1);  // negative: top-down
  put32(file, 22, static_cast<std::uint32_t>(height));
  file[26] = 1;
  file[28] = kBits[data[3] % 6];
  put32(file, 30, data[4] % 4u);  // none, two run-lengths, bit masks
  put32(file, 46, data[5]);       // colours used
  file.insert(file.end(), data + 6, data + size);
  check_bmp_cover(file.data(), file.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Copied so that a read past the end lands outside the allocation.
  std::vector<std::uint8_t> input(data, data + size);
  const auto format = lv::base::detect_picture_format(input.data(), input.size());
  check(size >= 6 || format == lv::base::PictureFormat::none, "short input is no picture");
  check_decoded(input.data(), input.size());
  if (format == lv::base::PictureFormat::pcx) {
    check(input[0] == 0x0A, "pcx starts with its maker byte");
  }
  decode_behind_header(input.data(), input.size());
  if (format == lv::base::PictureFormat::bitmap) check_bmp_cover(input.data(), input.size());
  convert_bmp_behind_header(input.data(), input.size());
  check_cover(input.data(), input.size());
  return 0;
}
