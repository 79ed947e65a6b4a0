// A body put together from what arrives, in announced room or in blocks.
#include "net/body_buffer.h"

#include <gtest/gtest.h>

namespace {

using lv::net::detail::BodyBuffer;

std::string pattern(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed) % 251);
  return s;
}

TEST(BodyBuffer, GivesBackExactlyWhatArrivedAcrossBlocksAndAnnouncedRoom) {
  constexpr std::size_t kBlock = 4u << 20;
  struct Case {
    const char* name;
    std::size_t announced;  // 0: no length announced
    std::vector<std::size_t> pieces;
  };
  const Case cases[] = {
      {"nothing", 0, {}},
      {"unannounced, across blocks", 0, {16384, kBlock - 16384 - 1, 2, kBlock, 5}},
      {"announced and kept to", 100, {60, 40}},
      {"more than announced", 10, {8, 8, kBlock}},
  };
  for (const Case& c : cases) {
    for (bool as_bytes : {false, true}) {
      BodyBuffer buffer;
      if (c.announced != 0) buffer.expect(c.announced);
      std::string expected;
      unsigned seed = 1;
      for (std::size_t n : c.pieces) {
        const std::string piece = pattern(n, seed++);
        buffer.append(piece);
        expected += piece;
      }
      EXPECT_EQ(buffer.size(), expected.size()) << c.name;
      BodyBuffer moved = std::move(buffer);
      std::string got;
      if (as_bytes) {
        const auto bytes = moved.take_bytes();
        got.assign(bytes.begin(), bytes.end());
      } else {
        got = moved.take_string();
      }
      EXPECT_TRUE(got == expected) << c.name << (as_bytes ? " (bytes)" : " (text)");
      EXPECT_TRUE(moved.empty()) << c.name;
    }
  }
}

}  // namespace
