// Decoding PCX pictures built by hand, and refusing broken ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "base/pcx_image.h"

namespace {

using lv::base::decode_pcx;

using ByteVec = std::vector<std::uint8_t>;

ByteVec header(int version, int bits, int planes, int width, int height, int plane_bytes) {
  ByteVec h(128, 0);
  h[0] = 0x0A;
  h[1] = static_cast<std::uint8_t>(version);
  h[2] = 1;
  h[3] = static_cast<std::uint8_t>(bits);
  h[8] = static_cast<std::uint8_t>((width - 1) & 0xFF);
  h[9] = static_cast<std::uint8_t>((width - 1) >> 8);
  h[10] = static_cast<std::uint8_t>((height - 1) & 0xFF);
  h[11] = static_cast<std::uint8_t>((height - 1) >> 8);
  h[65] = static_cast<std::uint8_t>(planes);
  h[66] = static_cast<std::uint8_t>(plane_bytes & 0xFF);
  h[67] = static_cast<std::uint8_t>(plane_bytes >> 8);
  return h;
}

void append(ByteVec& to, const ByteVec& more) { to.insert(to.end(), more.begin(), more.end()); }

ByteVec palette_with(std::initializer_list<std::pair<int, std::uint32_t>> colours) {
  ByteVec p(769, 0);
  p[0] = 0x0C;
  for (const auto& [index, rgb] : colours) {
    p[1 + 3 * index] = static_cast<std::uint8_t>(rgb >> 16);
    p[2 + 3 * index] = static_cast<std::uint8_t>(rgb >> 8);
    p[3 + 3 * index] = static_cast<std::uint8_t>(rgb);
  }
  return p;
}

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlack = 0xFF000000,
                        kOdd = 0xFF010203, kWhite = 0xFFFFFFFF;

// 3 x 2, lines padded to 4 bytes:
//   1 1 1 | 0
//   2 C5 2 | 0    (0xC5 is above the run flag, so it must be coded as a run of one)
ByteVec small_indexed() {
  ByteVec file = header(5, 8, 1, 3, 2, 4);
  append(file, {0xC3, 0x01, 0x00, 0x02, 0xC1, 0xC5, 0x02, 0x00});
  append(file, palette_with({{1, 0xFF0000}, {2, 0x00FF00}, {0xC5, 0x010203}}));
  return file;
}

TEST(PcxDecode, ReadsRunsLiteralsAndThePaletteAtTheEnd) {
  const ByteVec file = small_indexed();
  const auto image = decode_pcx(file.data(), file.size());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->height, 2);
  EXPECT_EQ(image->pixels, (std::vector<std::uint32_t>{kRed, kRed, kRed, kGreen, kOdd, kGreen}));
}

TEST(PcxDecode, RunMayCarryOnIntoTheNextLine) {
  ByteVec file = header(5, 8, 1, 2, 2, 2);
  append(file, {0xC3, 0x01, 0x02});  // three 1s over the line end, then a 2
  append(file, palette_with({{1, 0xFF0000}, {2, 0x00FF00}}));
  const auto image = decode_pcx(file.data(), file.size());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->pixels, (std::vector<std::uint32_t>{kRed, kRed, kRed, kGreen}));
}

TEST(PcxDecode, HonoursTheWindowOrigin) {
  ByteVec file = header(5, 8, 1, 1, 1, 2);
  file[4] = 10;  // x from 10 to 11: two pixels wide
  file[8] = 11;
  append(file, {0x01, 0x02});
  append(file, palette_with({{1, 0xFF0000}, {2, 0x00FF00}}));
  const auto image = decode_pcx(file.data(), file.size());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->pixels, (std::vector<std::uint32_t>{kRed, kGreen}));
}

TEST(PcxDecode, ThreePlanesGiveTrueColour) {
  ByteVec file = header(5, 8, 3, 2, 1, 2);
  append(file, {0xC2, 0xFF, 0x00, 0x10, 0x01, 0x20});  // R R | G G | B B
  const auto image = decode_pcx(file.data(), file.size());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->pixels, (std::vector<std::uint32_t>{0xFFFF0001, 0xFFFF1020}));
}

TEST(PcxDecode, MonochromeVersionThree) {
  ByteVec file = header(3, 1, 1, 10, 1, 2);
  append(file, {0xA0, 0x40});  // 1010 0000 01..
  const auto image = decode_pcx(file.data(), file.size());
  ASSERT_TRUE(image.has_value());
  ASSERT_EQ(image->pixels.size(), 10u);
  EXPECT_EQ(image->pixels[0], kWhite);
  EXPECT_EQ(image->pixels[1], kBlack);
  EXPECT_EQ(image->pixels[2], kWhite);
  EXPECT_EQ(image->pixels[8], kBlack);
  EXPECT_EQ(image->pixels[9], kWhite);
}

TEST(PcxDecode, SixteenColoursFromFourPlanes) {
  // One pixel of colour 9 (planes 0 and 3 set); version 3 means the fixed colours.
  ByteVec file = header(3, 1, 4, 1, 1, 2);
  append(file, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00});
  auto image = decode_pcx(file.data(), file.size());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->pixels[0], 0xFF5555FFu);
  // Version 5 takes colour 9 from the header's own palette.
  file[1] = 5;
  file[16 + 27] = 0x12;
  file[16 + 28] = 0x34;
  file[16 + 29] = 0x56;
  image = decode_pcx(file.data(), file.size());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->pixels[0], 0xFF123456u);
}

TEST(PcxDecode, EveryTruncationGivesNothing) {
  const ByteVec file = small_indexed();
  for (std::size_t n = 0; n < file.size(); ++n) {
    EXPECT_FALSE(decode_pcx(file.data(), n).has_value()) << n;
  }
}

TEST(PcxDecode, DataEndingInsideAnImageGivesNothing) {
  ByteVec file = header(5, 8, 1, 3, 2, 4);
  append(file, {0xC3, 0x01, 0x00, 0x02});  // the second line is cut short
  append(file, palette_with({}));
  EXPECT_FALSE(decode_pcx(file.data(), file.size()).has_value());
  file = header(5, 8, 1, 3, 1, 4);
  append(file, {0x01, 0x01, 0x01, 0xC4});  // a run byte with no value after it
  append(file, palette_with({}));
  EXPECT_FALSE(decode_pcx(file.data(), file.size()).has_value());
}

TEST(PcxDecode, RefusesBrokenHeaders) {
  ByteVec file = small_indexed();
  auto broken = [&](std::size_t at, std::uint8_t value) {
    ByteVec copy = file;
    copy[at] = value;
    return !decode_pcx(copy.data(), copy.size()).has_value();
  };
  EXPECT_TRUE(broken(0, 0x0B));                  // maker
  EXPECT_TRUE(broken(1, 6));                     // version
  EXPECT_TRUE(broken(2, 0));                     // not run-length
  EXPECT_TRUE(broken(3, 4));                     // 4 bits per pixel
  EXPECT_TRUE(broken(65, 2));                    // two planes of 8 bits
  EXPECT_TRUE(broken(66, 2));                    // lines shorter than the width
  EXPECT_TRUE(broken(file.size() - 769, 0x0D));  // no palette marker
  EXPECT_TRUE(broken(4, 5));                     // x_min above x_max
}

TEST(PcxDecode, RefusesAbsurdSizesWithoutTryingThem) {
  // 60000 x 60000 claimed in a few bytes.
  ByteVec file = header(5, 8, 1, 60000, 60000, 60000);
  append(file, {0xFF, 0x00});
  append(file, palette_with({}));
  EXPECT_FALSE(decode_pcx(file.data(), file.size()).has_value());
  // Within the side bounds, but far more than the data could ever give.
  file = header(5, 8, 1, 4000, 4000, 4000);
  append(file, ByteVec(1000, 0xFF));
  append(file, palette_with({}));
  EXPECT_FALSE(decode_pcx(file.data(), file.size()).has_value());
}

TEST(PcxDecode, LargestRunsFillABigPicture) {
  // 252 x 1: four full runs of 63.
  ByteVec file = header(5, 8, 1, 252, 1, 252);
  for (int i = 0; i < 4; ++i) append(file, {0xFF, 0x02});
  append(file, palette_with({{2, 0x00FF00}}));
  const auto image = decode_pcx(file.data(), file.size());
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->pixels, std::vector<std::uint32_t>(252, kGreen));
}

}  // namespace
