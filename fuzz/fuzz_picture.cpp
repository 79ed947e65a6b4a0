// Picture format detection and the PCX reader on arbitrary bytes: no crash,
// no read outside the input, and every decoded picture within its bounds.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/pcx_image.h"
#include "base/picture_format.h"

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
  return 0;
}
