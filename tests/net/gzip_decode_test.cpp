#include "net/gzip.h"

#include <gtest/gtest.h>

#include "net/gzip_maker.h"

namespace {

using lv::net::deflate_decode;
using lv::net::gzip_decode;
using lv::test::gzip;

std::string sample(std::size_t n, char seed = 'a') {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(seed + (i * 7 + i / 13) % 26));
  return s;
}

TEST(GzipDecode, InputWithoutMagicBytesComesBackUnchanged) {
  EXPECT_EQ(gzip_decode(""), "");
  EXPECT_EQ(gzip_decode("\x1f"), "\x1f");
  EXPECT_EQ(gzip_decode("plain <html> text"), "plain <html> text");
  EXPECT_EQ(gzip_decode(std::string("\x1f\x8a rest", 7)), std::string("\x1f\x8a rest", 7));
}

TEST(GzipDecode, OneMemberDecodes) {
  const std::string text = sample(100000);
  EXPECT_EQ(gzip_decode(gzip(text)), text);
  EXPECT_EQ(gzip_decode(gzip("")), "");
}

TEST(GzipDecode, HeaderFieldsAreSkipped) {
  lv::test::GzipHeaderFields fields{"page.html", "a comment", std::string("\x01\x02\x00\x05zz", 6), true};
  EXPECT_EQ(gzip_decode(gzip("body bytes", &fields)), "body bytes");
}

TEST(GzipDecode, ConcatenatedMembersDecodeToTheirConcatenation) {
  const std::string a = sample(5000, 'a'), b = sample(7000, 'A'), c = "third";
  EXPECT_EQ(gzip_decode(gzip(a) + gzip(b) + gzip(c)), a + b + c);
}

TEST(GzipDecode, TrailingBytesThatAreNoMemberAreAppendedAsTheyAre) {
  const std::string tail("\x00garbage\x1f", 9);
  EXPECT_EQ(gzip_decode(gzip("first") + tail), "first" + tail);
  EXPECT_EQ(gzip_decode(gzip("one") + gzip("two") + "!"), "onetwo!");
}

TEST(GzipDecode, CrcMismatchKeepsThatMemberAndStops) {
  std::string first = gzip("first member");
  first[first.size() - 8] ^= 0x01;  // the CRC-32 is the 8 bytes before the end, little-endian
  EXPECT_EQ(gzip_decode(first + gzip("second")), "first member");
}

TEST(GzipDecode, InputEndingInsideTheLengthFieldKeepsTheOutput) {
  const std::string member = gzip("abc");
  EXPECT_EQ(gzip_decode(member.substr(0, member.size() - 2)), "abc");
  // Ending inside the CRC fails the check of that member only after it was decoded.
  EXPECT_EQ(gzip_decode(member.substr(0, member.size() - 6)), "abc");
}

TEST(GzipDecode, BrokenStreamGivesWhatWasDecodedBeforeTheFault) {
  const std::string text = sample(200000);
  const std::string member = gzip(text);
  const std::string cut = gzip_decode(member.substr(0, member.size() / 2));
  EXPECT_FALSE(cut.empty());
  EXPECT_LT(cut.size(), text.size());
  EXPECT_EQ(cut, text.substr(0, cut.size()));

  // A second member cut short still leaves the first one whole.
  const std::string two = gzip("whole") + member.substr(0, 40);
  const std::string out = gzip_decode(two);
  EXPECT_EQ(out.substr(0, 5), "whole");
  EXPECT_EQ(out, "whole" + text.substr(0, out.size() - 5));
}

TEST(GzipDecode, MalformedHeadersStopDecoding) {
  std::string member = gzip("x");
  std::string bad_method = member;
  bad_method[2] = 7;
  EXPECT_EQ(gzip_decode(bad_method), "");
  std::string reserved = member;
  reserved[3] = static_cast<char>(0x20);
  EXPECT_EQ(gzip_decode(reserved), "");
  EXPECT_EQ(gzip_decode(member.substr(0, 9)), "");
  // A name field that never ends.
  std::string open_name = member.substr(0, 10);
  open_name[3] = 0x08;
  EXPECT_EQ(gzip_decode(open_name + "name"), "");
  // Corrupt deflate data right after the header.
  std::string corrupt = member.substr(0, 10) + std::string("\xff\xff\xff\xff", 4);
  EXPECT_EQ(gzip_decode(gzip("ok") + corrupt), "ok");
}

TEST(GzipDecode, OutputStopsAtTheLimit) {
  const std::string zeros(3u << 20, '\0');
  const std::string bomb = gzip(zeros);
  EXPECT_LT(bomb.size(), 20000u);
  const std::string out = gzip_decode(bomb, 1u << 20);
  EXPECT_EQ(out.size(), 1u << 20);
  EXPECT_EQ(out, zeros.substr(0, 1u << 20));
  EXPECT_EQ(gzip_decode(gzip("ab") + "tail", 4), "abta");
}

TEST(DeflateDecode, ZlibAndRawStreamsAndGzipDecode) {
  const std::string text = sample(30000);
  EXPECT_EQ(deflate_decode(lv::test::deflate_with(text, 15)), text);
  EXPECT_EQ(deflate_decode(lv::test::deflate_with(text, -15)), text);
  EXPECT_EQ(deflate_decode(gzip(text)), text);
}

TEST(DeflateDecode, DataThatIsNoDeflateStreamComesBackUnchanged) {
  EXPECT_EQ(deflate_decode("<html>plain</html>"), "<html>plain</html>");
}

}  // namespace
