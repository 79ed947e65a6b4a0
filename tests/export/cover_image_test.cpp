// Covers as the EPUB carries them: readable formats as they are, PCX and BMP
// converted to PNG (decoded back here by libpng to compare pixels), the rest
// left out.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/cover_image.h"
#include "export/epub_package.h"
#include "export_test_support.h"

namespace {

using Pixels = std::vector<std::uint32_t>;

// Reads a PNG back with libpng: the pixels, top row first, when it is an
// opaque colour picture of the given size.
std::optional<Pixels> decode_rgb_png(const std::string& png, int width, int height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, png.data(), png.size()) == 0) return std::nullopt;
  const bool shape = image.width == std::uint32_t(width) && image.height == std::uint32_t(height) &&
                     image.format == PNG_FORMAT_RGB;
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0 || !shape) {
    png_image_free(&image);
    return std::nullopt;
  }
  Pixels pixels;
  for (std::size_t i = 0; i + 2 < rgb.size(); i += 3) {
    pixels.push_back(0xFF000000u | std::uint32_t{rgb[i]} << 16 | std::uint32_t{rgb[i + 1]} << 8 | rgb[i + 2]);
  }
  return pixels;
}

void put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

// A 2 x 2 BMP; `rows` are B G R (A) bytes as stored, in file order.
std::string bmp(int bits, int height, std::uint32_t compression, const std::string& rows) {
  std::string file(54, '\0');
  file[0] = 'B', file[1] = 'M';
  put32(file, 2, static_cast<std::uint32_t>(54 + rows.size()));
  put32(file, 10, 54);
  put32(file, 14, 40);
  put32(file, 18, 2);
  put32(file, 22, static_cast<std::uint32_t>(height));
  file[26] = 1;
  file[28] = static_cast<char>(bits);
  put32(file, 30, compression);
  return file + rows;
}

// A 2 x 1 PCX of 8 bits per pixel: indexes 1 and 2, then the palette.
std::string pcx() {
  std::string file(128, '\0');
  file[0] = 0x0A, file[1] = 5, file[2] = 1, file[3] = 8;
  file[8] = 1;      // last column
  file[65] = 1;     // one plane
  file[66] = 2;     // bytes per line
  file += std::string("\x01\x02", 2);
  std::string palette(769, '\0');
  palette[0] = 0x0C;
  palette[4] = '\x12', palette[5] = '\x34', palette[6] = '\x56';  // index 1
  palette[7] = '\xAB', palette[8] = '\xCD', palette[9] = '\xEF';  // index 2
  return file + palette;
}

constexpr std::uint32_t kBlue = 0xFF0000FF, kGreen = 0xFF00FF00, kRed = 0xFFFF0000, kWhite = 0xFFFFFFFF;

TEST(EpubCover, EachFormatGetsItsMediaTypeOrIsLeftOut) {
  // Rows as stored: blue green | red white, padded to 4 bytes at 24 bits.
  const std::string rows24("\xFF\x00\x00\x00\xFF\x00\x00\x00" "\x00\x00\xFF\xFF\xFF\xFF\x00\x00", 16);
  const std::string rows32("\xFF\x00\x00\x00\x00\xFF\x00\x00" "\x00\x00\xFF\x00\xFF\xFF\xFF\x00", 16);
  std::string bitfields = bmp(32, -2, 3, std::string("\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00\x00", 12) + rows32);
  put32(bitfields, 10, 54 + 12);
  // Palette blue green red white (B G R 0), then bottom-up rows of indexes padded to 4 bytes.
  std::string palette8 = bmp(8, 2, 0, std::string("\xFF\x00\x00\x00\x00\xFF\x00\x00\x00\x00\xFF\x00\xFF\xFF\xFF\x00"
                                                  "\x00\x01\x00\x00\x02\x03\x00\x00", 24));
  put32(palette8, 10, 54 + 16);
  put32(palette8, 46, 4);  // colours used
  const std::string jpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10);
  const std::string png("\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR", 16);
  const std::string icon("\x00\x00\x01\x00\x01\x00\x10\x10", 8);

  struct Case {
    const char* what;
    std::string bytes;
    std::string media_type;  // "" when left out
    Pixels pixels;           // for the converted ones, top row first
  };
  const std::vector<Case> cases = {
      {"jpeg", jpeg, "image/jpeg", {}},
      {"png", png, "image/png", {}},
      {"gif", std::string("GIF89a\x01\x00\x01\x00", 10), "image/gif", {}},
      {"pcx", pcx(), "image/png", {0xFF123456, 0xFFABCDEF}},
      {"bmp 24 bottom-up", bmp(24, 2, 0, rows24), "image/png", {kRed, kWhite, kBlue, kGreen}},
      {"bmp 32 top-down", bmp(32, -2, 0, rows32), "image/png", {kBlue, kGreen, kRed, kWhite}},
      {"bmp 32 bit masks", bitfields, "image/png", {kBlue, kGreen, kRed, kWhite}},
      {"bmp cut short", bmp(24, 2, 0, rows24.substr(0, 12)), "", {}},
      {"bmp 8 bits", palette8, "image/png", {kRed, kWhite, kBlue, kGreen}},
      {"bmp 8 bits without palette", bmp(8, 2, 0, rows24), "", {}},
      {"bmp run-length", bmp(24, 2, 1, rows24), "", {}},
      {"pcx cut short", pcx().substr(0, 129), "", {}},
      {"icon", icon, "", {}},
      {"empty", "", "", {}},
      {"unknown", "not a picture", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto cover = lv::exporting::epub_cover(lv::base::Bytes::from_string(c.bytes));
    if (c.media_type.empty()) {
      EXPECT_FALSE(cover.has_value());
      continue;
    }
    ASSERT_TRUE(cover.has_value());
    EXPECT_EQ(cover->media_type, c.media_type);
    if (c.pixels.empty()) {
      EXPECT_EQ(cover->bytes, c.bytes) << "kept as it is";
    } else {
      const int height = c.pixels.size() == 2 ? 1 : 2;
      EXPECT_EQ(decode_rgb_png(cover->bytes, 2, height), c.pixels);
    }
  }
}

TEST(EpubCover, IsDeclaredInThePackageAndShownOnAPageOfItsOwn) {
  auto book = lv::test::small_book();
  book.cover = lv::base::Bytes::from_string(pcx());
  const auto entries = lv::exporting::epub_entries(book);
  std::string opf, image;
  bool page = false;
  for (const auto& e : entries) {
    if (e.name == "OEBPS/content.opf") opf = e.data;
    if (e.name == "OEBPS/images/cover.png") image = e.data;
    if (e.name == "OEBPS/cover.xhtml") page = e.data.find("src=\"images/cover.png\"") != std::string::npos;
  }
  EXPECT_NE(opf.find("href=\"images/cover.png\" media-type=\"image/png\" properties=\"cover-image\""),
            std::string::npos) << opf;
  EXPECT_NE(opf.find("<itemref idref=\"cover\"/>\n<itemref idref=\"c0001\"/>"), std::string::npos);
  EXPECT_TRUE(decode_rgb_png(image, 2, 1).has_value());
  EXPECT_TRUE(page);
}

}  // namespace
