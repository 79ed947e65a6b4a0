// Cover pictures: real baseline JPEG files of the expected size.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "sample_site/jpeg_encoder.h"
#include "sample_site/sample_site.h"

namespace {

using lv::site::CoverKind;
using lv::site::SampleSite;

struct JpegShape {
  bool baseline = false;
  int width = 0;
  int height = 0;
  int components = 0;
  bool has_huffman = false;
  bool has_quant = false;
  bool ends_with_eoi = false;
};

int u16(const std::string& s, std::size_t at) {
  return (static_cast<unsigned char>(s[at]) << 8) | static_cast<unsigned char>(s[at + 1]);
}

// Walks the marker segments up to the scan and checks the file's last marker.
JpegShape read_shape(const std::string& jpeg) {
  JpegShape shape;
  if (jpeg.size() < 4 || u16(jpeg, 0) != 0xFFD8) return shape;
  shape.ends_with_eoi = u16(jpeg, jpeg.size() - 2) == 0xFFD9;
  std::size_t at = 2;
  while (at + 4 <= jpeg.size()) {
    const int marker = u16(jpeg, at);
    const int length = u16(jpeg, at + 2);
    if ((marker & 0xFF00) != 0xFF00 || length < 2 || at + 2 + static_cast<std::size_t>(length) > jpeg.size()) break;
    if (marker == 0xFFC0 && length >= 8) {
      shape.baseline = true;
      shape.height = u16(jpeg, at + 5);
      shape.width = u16(jpeg, at + 7);
      shape.components = static_cast<unsigned char>(jpeg[at + 9]);
    }
    if (marker == 0xFFC4) shape.has_huffman = true;
    if (marker == 0xFFDB) shape.has_quant = true;
    if (marker == 0xFFDA) break;
    at += 2 + static_cast<std::size_t>(length);
  }
  return shape;
}

void expect_cover(const std::string& jpeg) {
  const auto shape = read_shape(jpeg);
  EXPECT_TRUE(shape.baseline);
  EXPECT_EQ(shape.width, 120);
  EXPECT_EQ(shape.height, 150);
  EXPECT_EQ(shape.components, 3);
  EXPECT_TRUE(shape.has_huffman);
  EXPECT_TRUE(shape.has_quant);
  EXPECT_TRUE(shape.ends_with_eoi);
  EXPECT_GT(jpeg.size(), 600u);
  EXPECT_LT(jpeg.size(), 20000u);
}

TEST(SampleSiteCovers, BooksWithPicturesServeJpeg) {
  const SampleSite site;
  const int id = site.find_book_with_cover(CoverKind::picture);
  ASSERT_NE(id, 0);
  EXPECT_EQ(site.cover_path(id).rfind("/files/article/image/", 0), 0u);
  const auto r = site.get(site.cover_path(id), "h");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->content_type, "image/jpeg");
  expect_cover(r->body);
  // another book, another picture
  const int other = site.book(3, 3).book_id;
  if (site.cover_kind(other) == CoverKind::picture) {
    EXPECT_NE(site.get(site.cover_path(other), "h")->body, r->body);
  }
}

TEST(SampleSiteCovers, MissingAndPlaceholderCovers) {
  const SampleSite site;
  const int missing = site.find_book_with_cover(CoverKind::missing);
  ASSERT_NE(missing, 0);
  EXPECT_FALSE(site.get(site.cover_path(missing), "h").has_value());

  const int placeholder = site.find_book_with_cover(CoverKind::placeholder);
  ASSERT_NE(placeholder, 0);
  EXPECT_EQ(site.cover_path(placeholder), SampleSite::kPlaceholderCoverPath);
  const auto r = site.get(SampleSite::kPlaceholderCoverPath, "h");
  ASSERT_TRUE(r);
  expect_cover(r->body);

  int pictures = 0;
  for (int id : site.book_ids()) pictures += site.cover_kind(id) == CoverKind::picture ? 1 : 0;
  EXPECT_GT(pictures, site.total_books() / 2);
  EXPECT_LT(pictures, site.total_books());
}

TEST(SampleSiteCovers, EncoderStuffsBytesAndRejectsBadImages) {
  // A picture of extremes makes the entropy coder emit 0xFF bytes, each of
  // which must be followed by a stuffed zero inside the scan.
  lv::site::RgbImage img{16, 9, {}};
  for (int i = 0; i < 16 * 9; ++i) {
    const std::uint8_t v = (i * 37) % 2 ? 255 : 0;
    img.pixels.insert(img.pixels.end(), {v, static_cast<std::uint8_t>(255 - v), v});
  }
  const std::string jpeg = lv::site::encode_jpeg(img, 100);
  const auto shape = read_shape(jpeg);
  EXPECT_EQ(shape.width, 16);
  EXPECT_EQ(shape.height, 9);
  EXPECT_TRUE(shape.ends_with_eoi);
  const std::size_t scan = jpeg.find("\xFF\xDA");
  ASSERT_NE(scan, std::string::npos);
  const std::size_t data = scan + 2 + static_cast<std::size_t>(u16(jpeg, scan + 2));
  for (std::size_t i = data; i + 2 < jpeg.size(); ++i) {
    if (static_cast<unsigned char>(jpeg[i]) == 0xFF) {
      EXPECT_EQ(jpeg[i + 1], '\0') << "at " << i;
      ++i;
    }
  }
  EXPECT_EQ(lv::site::encode_jpeg({0, 0, {}}), "");
  EXPECT_EQ(lv::site::encode_jpeg({4, 4, std::vector<std::uint8_t>(10)}), "");
}

}  // namespace
