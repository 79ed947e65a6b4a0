// Telling picture formats apart by their first six bytes.
#include <gtest/gtest.h>

#include <string>

#include "base/picture_format.h"

namespace {

using lv::base::Bytes;
using lv::base::PictureFormat;

PictureFormat detect(const std::string& s) {
  return lv::base::detect_picture_format(Bytes::from_string(s));
}

std::string raw(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

TEST(PictureFormat, KnowsEachSignature) {
  EXPECT_EQ(detect(raw({0x42, 0x4D, 0x36, 0, 0, 0})), PictureFormat::bitmap);
  EXPECT_EQ(detect(raw({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10})), PictureFormat::jpeg);
  EXPECT_EQ(detect(raw({0, 0, 1, 0, 1, 0})), PictureFormat::icon);
  EXPECT_EQ(detect(raw({0, 0, 2, 0, 3, 0})), PictureFormat::cursor);
  EXPECT_EQ(detect("GIF87a"), PictureFormat::gif);
  EXPECT_EQ(detect("GIF89a\x01"), PictureFormat::gif);
  EXPECT_EQ(detect(raw({0x0A, 5, 1, 8, 0, 0})), PictureFormat::pcx);
  EXPECT_EQ(detect(raw({0x0A, 0, 1, 8, 0, 0})), PictureFormat::pcx);
  EXPECT_EQ(detect(raw({0x0A, 3, 1, 1, 0, 0})), PictureFormat::pcx);
}

TEST(PictureFormat, ShowsNothingForShortOrForeignStarts) {
  EXPECT_EQ(detect(""), PictureFormat::none);
  EXPECT_EQ(detect("BM"), PictureFormat::none);               // fewer than six bytes
  EXPECT_EQ(detect(raw({0xFF, 0xD8, 0xFF})), PictureFormat::none);
  EXPECT_EQ(detect("GIF87"), PictureFormat::none);
  EXPECT_EQ(detect("GIF90a"), PictureFormat::none);
  EXPECT_EQ(detect("\x89PNG\r\n\x1a\n"), PictureFormat::none);  // not a listed format
  EXPECT_EQ(detect("<html>"), PictureFormat::none);
  EXPECT_EQ(detect("bm1234"), PictureFormat::none);
}

TEST(PictureFormat, IconNeedsReservedZeroKnownTypeAndImages) {
  EXPECT_EQ(detect(raw({0, 0, 1, 0, 0, 0})), PictureFormat::none);  // no images
  EXPECT_EQ(detect(raw({0, 0, 3, 0, 1, 0})), PictureFormat::none);  // unknown type
  EXPECT_EQ(detect(raw({1, 0, 1, 0, 1, 0})), PictureFormat::none);  // reserved word set
  EXPECT_EQ(detect(raw({0, 0, 1, 0, 0, 1})), PictureFormat::icon);  // 256 images
}

TEST(PictureFormat, PcxNeedsVersionEncodingAndDepth) {
  EXPECT_EQ(detect(raw({0x0A, 6, 1, 8, 0, 0})), PictureFormat::none);  // version above 5
  EXPECT_EQ(detect(raw({0x0A, 5, 0, 8, 0, 0})), PictureFormat::none);  // not run-length
  EXPECT_EQ(detect(raw({0x0A, 5, 1, 4, 0, 0})), PictureFormat::none);  // 4 bits per pixel
  EXPECT_EQ(detect(raw({0x0A, 5, 1, 1, 0, 0})), PictureFormat::none);  // 1 bit, version 5
  EXPECT_EQ(detect(raw({0x0B, 5, 1, 8, 0, 0})), PictureFormat::none);
}

}  // namespace
