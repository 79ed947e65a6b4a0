// Covers as the EPUB carries them: readable formats as they are once they
// decode, PCX and BMP converted to PNG (decoded back here by libpng to compare
// pixels), the rest left out with the reason.
#include <gtest/gtest.h>
#include <png.h>
#include <turbojpeg.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "export/cover_image.h"
#include "export/epub_package.h"
#include "export/png_writer.h"
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

// A small JPEG made by libjpeg-turbo.
std::string jpeg() {
  std::vector<unsigned char> rgb(16 * 8 * 3, 0x80);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  tjhandle compressor = tjInitCompress();
  const int failed = tjCompress2(compressor, rgb.data(), 16, 0, 8, TJPF_RGB, &buffer, &size, TJSAMP_420, 90, 0);
  tjDestroy(compressor);
  std::string file = failed == 0 ? std::string(reinterpret_cast<const char*>(buffer), size) : "";
  tjFree(buffer);
  return file;
}

// The picture with the width and height its header gives set to `side`:
// big-endian at `at` (PNG's IHDR: 4 bytes each), or as JPEG's frame header has them.
std::string claiming(std::string file, std::size_t at, int bytes, std::uint32_t side) {
  for (int field = 0; field < 2; ++field) {
    for (int i = 0; i < bytes; ++i) {
      file[at + static_cast<std::size_t>(field * bytes + i)] = static_cast<char>(side >> (8 * (bytes - 1 - i)));
    }
  }
  return file;
}

// GIF 1 x 1: header, screen descriptor with a colour table of 2, image, end.
const std::string kGif = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) +
                         std::string("\xFF\xFF\xFF\x00\x00\x00", 6) +
                         std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B", 16);

constexpr std::uint32_t kBlue = 0xFF0000FF, kGreen = 0xFF00FF00, kRed = 0xFFFF0000, kWhite = 0xFFFFFFFF;

TEST(EpubCover, EachFormatGetsItsMediaTypeOrIsLeftOutSayingWhy) {
  using lv::exporting::CoverProblem;
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
  const std::string jpg = jpeg();
  ASSERT_FALSE(jpg.empty());
  const std::size_t frame = jpg.find("\xFF\xC0");  // then length (2), precision (1), height, width
  ASSERT_NE(frame, std::string::npos);
  const std::uint32_t two_pixels[] = {kRed, kBlue};
  const std::string png = lv::exporting::encode_png(2, 1, two_pixels);
  const std::string icon("\x00\x00\x01\x00\x01\x00\x10\x10", 8);
  std::string huge_bmp = bmp(24, 0xFFFF, 0, rows24);
  put32(huge_bmp, 18, 0xFFFF);  // width

  struct Case {
    const char* what;
    std::string bytes;
    std::string media_type;  // "" when left out
    CoverProblem problem;
    Pixels pixels;           // for the converted ones, top row first
  };
  const std::vector<Case> cases = {
      {"jpeg", jpg, "image/jpeg", CoverProblem::none, {}},
      {"jpeg cut short", jpg.substr(0, jpg.size() / 2), "", CoverProblem::damaged, {}},
      {"jpeg of 65535 x 65535", claiming(jpg, frame + 5, 2, 0xFFFF), "", CoverProblem::too_large, {}},
      {"png", png, "image/png", CoverProblem::none, {}},
      {"png cut short", png.substr(0, png.size() - 20), "", CoverProblem::damaged, {}},
      {"png of 65535 x 65535", claiming(png, 16, 4, 0xFFFF), "", CoverProblem::too_large, {}},
      {"gif", kGif, "image/gif", CoverProblem::none, {}},
      {"gif with a broken header", std::string("GIF89a\x01\x00", 8), "", CoverProblem::damaged, {}},
      {"gif of 65535 x 65535", std::string("GIF89a\xFF\xFF\xFF\xFF", 10) + kGif.substr(10), "",
       CoverProblem::too_large, {}},
      {"html error page", "<html><body>404 Not Found</body></html>", "", CoverProblem::not_a_picture, {}},
      {"pcx", pcx(), "image/png", CoverProblem::none, {0xFF123456, 0xFFABCDEF}},
      {"pcx cut short", pcx().substr(0, 129), "", CoverProblem::damaged, {}},
      {"bmp 24 bottom-up", bmp(24, 2, 0, rows24), "image/png", CoverProblem::none, {kRed, kWhite, kBlue, kGreen}},
      {"bmp 32 top-down", bmp(32, -2, 0, rows32), "image/png", CoverProblem::none, {kBlue, kGreen, kRed, kWhite}},
      {"bmp 32 bit masks", bitfields, "image/png", CoverProblem::none, {kBlue, kGreen, kRed, kWhite}},
      {"bmp 8 bits", palette8, "image/png", CoverProblem::none, {kRed, kWhite, kBlue, kGreen}},
      {"bmp cut short", bmp(24, 2, 0, rows24.substr(0, 12)), "", CoverProblem::damaged, {}},
      {"bmp 8 bits without palette", bmp(8, 2, 0, rows24), "", CoverProblem::damaged, {}},
      {"bmp run-length", bmp(24, 2, 1, rows24), "", CoverProblem::damaged, {}},
      {"bmp of 65535 x 65535", huge_bmp, "", CoverProblem::too_large, {}},
      {"icon", icon, "", CoverProblem::unsupported, {}},
      {"empty", "", "", CoverProblem::none, {}},
      {"unknown", "not a picture", "", CoverProblem::not_a_picture, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto outcome = lv::exporting::epub_cover(lv::base::Bytes::from_string(c.bytes));
    EXPECT_EQ(outcome.problem, c.problem);
    if (c.media_type.empty()) {
      EXPECT_FALSE(outcome.cover.has_value());
      continue;
    }
    ASSERT_TRUE(outcome.cover.has_value());
    EXPECT_EQ(outcome.cover->media_type, c.media_type);
    if (c.pixels.empty()) {
      EXPECT_EQ(outcome.cover->bytes, c.bytes) << "kept as it is";
    } else {
      const int height = c.pixels.size() == 2 ? 1 : 2;
      EXPECT_EQ(decode_rgb_png(outcome.cover->bytes, 2, height), c.pixels);
    }
  }
}

TEST(EpubCover, IsDeclaredInThePackageAndShownOnAPageOfItsOwn) {
  auto book = lv::test::small_book();
  book.cover = lv::base::Bytes::from_string(pcx());
  const auto entries = lv::exporting::epub_package(book).entries;
  std::string opf, image;
  bool page = false;
  for (const auto& e : entries) {
    if (e.name == "OEBPS/content.opf") opf = e.data;
    if (e.name == "OEBPS/images/cover.png") image = e.data;
    if (e.name == "OEBPS/cover.xhtml") page = e.data.find("src=\"images/cover.png\"") != std::string::npos;
  }
  EXPECT_NE(opf.find("href=\"images/cover.png\" media-type=\"image/png\" properties=\"cover-image\""),
            std::string::npos) << opf;
  EXPECT_NE(opf.find("<itemref idref=\"cover\"/>\n<itemref idref=\"title-page\"/>\n<itemref idref=\"c0001\"/>"),
            std::string::npos);
  EXPECT_TRUE(decode_rgb_png(image, 2, 1).has_value());
  EXPECT_TRUE(page);
}

}  // namespace
