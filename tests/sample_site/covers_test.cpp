// Cover pictures: JPEG files of the expected size that a decoder reads.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sample_site/jpeg_encoder.h"
#include "sample_site/sample_site.h"

namespace {

using lv::site::CoverKind;
using lv::site::RgbImage;
using lv::site::SampleSite;

// The picture as libjpeg-turbo decodes it; an empty image when it does not.
RgbImage decode(const std::string& jpeg) {
  const std::unique_ptr<void, int (*)(tjhandle)> decoder(tjInitDecompress(), tjDestroy);
  const auto* bytes = reinterpret_cast<const unsigned char*>(jpeg.data());
  RgbImage image;
  int subsampling = 0, colours = 0;
  if (tjDecompressHeader3(decoder.get(), bytes, jpeg.size(), &image.width, &image.height, &subsampling, &colours) != 0) {
    return {};
  }
  image.pixels.resize(static_cast<std::size_t>(image.width * image.height * 3));
  if (tjDecompress2(decoder.get(), bytes, jpeg.size(), image.pixels.data(), image.width, 0, image.height, TJPF_RGB,
                    0) != 0) {
    return {};
  }
  return image;
}

void expect_cover(const std::string& jpeg) {
  const RgbImage image = decode(jpeg);
  EXPECT_EQ(image.width, 120);
  EXPECT_EQ(image.height, 150);
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

TEST(SampleSiteCovers, EncodedPixelsDecodeBackAndBadImagesGiveNothing) {
  // A red block beside a blue one: each comes back within the encoder's
  // loss, in its place and with its channels in order.
  RgbImage image{16, 8, {}};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      image.pixels.insert(image.pixels.end(), x < 8 ? std::initializer_list<std::uint8_t>{200, 40, 40}
                                                    : std::initializer_list<std::uint8_t>{40, 40, 200});
    }
  }
  const RgbImage back = decode(lv::site::encode_jpeg(image, 90));
  ASSERT_EQ(back.width, 16);
  ASSERT_EQ(back.height, 8);
  for (std::size_t i = 0; i < back.pixels.size(); ++i) {
    EXPECT_NEAR(back.pixels[i], image.pixels[i], 8) << "byte " << i;
  }
  EXPECT_EQ(lv::site::encode_jpeg({0, 0, {}}), "");
  EXPECT_EQ(lv::site::encode_jpeg({4, 4, std::vector<std::uint8_t>(10)}), "");
}

}  // namespace
