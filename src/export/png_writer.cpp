#include "export/png_writer.h"

#include <zlib.h>

#include <cstddef>
#include <stdexcept>
#include <string_view>

namespace lv::exporting {
namespace {

void put_u32(std::string& out, std::uint32_t v) {  // big-endian, as PNG has it
  out.push_back(static_cast<char>(v >> 24));
  out.push_back(static_cast<char>(v >> 16));
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v));
}

void put_chunk(std::string& out, std::string_view type, std::string_view data) {
  put_u32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.append(type);
  out.append(data);
  const auto* typed = reinterpret_cast<const Bytef*>(out.data() + start);
  put_u32(out, static_cast<std::uint32_t>(crc32_z(0, typed, out.size() - start)));
}

}  // namespace

std::string encode_png(int width, int height, const std::uint32_t* pixels) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("encode_png: empty picture");
  const auto w = static_cast<std::size_t>(width);
  const auto h = static_cast<std::size_t>(height);

  std::string raw;  // each row: filter type 0 (none), then R G B per pixel
  raw.reserve(h * (1 + 3 * w));
  for (std::size_t y = 0; y < h; ++y) {
    raw.push_back('\0');
    for (std::size_t x = 0; x < w; ++x) {
      const std::uint32_t p = pixels[y * w + x];
      raw.push_back(static_cast<char>(p >> 16));
      raw.push_back(static_cast<char>(p >> 8));
      raw.push_back(static_cast<char>(p));
    }
  }

  std::string compressed(compressBound(static_cast<uLong>(raw.size())), '\0');
  auto compressed_size = static_cast<uLongf>(compressed.size());
  if (compress2(reinterpret_cast<Bytef*>(compressed.data()), &compressed_size,
                reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()),
                Z_DEFAULT_COMPRESSION) != Z_OK) {
    throw std::runtime_error("encode_png: zlib failed");
  }
  compressed.resize(compressed_size);

  std::string header;
  put_u32(header, static_cast<std::uint32_t>(width));
  put_u32(header, static_cast<std::uint32_t>(height));
  header.append("\x08\x02\x00\x00\x00", 5);  // depth 8, RGB, deflate, no filter set, no interlace

  std::string png("\x89PNG\r\n\x1A\n", 8);
  put_chunk(png, "IHDR", header);
  put_chunk(png, "IDAT", compressed);
  put_chunk(png, "IEND", {});
  return png;
}

}  // namespace lv::exporting
