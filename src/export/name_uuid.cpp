#include "export/name_uuid.h"

#include <bit>
#include <cstddef>

namespace lv::exporting {
namespace {

using std::uint32_t;

void compress_block(std::array<uint32_t, 5>& h, const std::uint8_t* block) {
  uint32_t w[80];
  for (int i = 0; i < 16; ++i) {
    w[i] = uint32_t{block[4 * i]} << 24 | uint32_t{block[4 * i + 1]} << 16 |
           uint32_t{block[4 * i + 2]} << 8 | uint32_t{block[4 * i + 3]};
  }
  for (int i = 16; i < 80; ++i) w[i] = std::rotl(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
  uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  for (int i = 0; i < 80; ++i) {
    uint32_t f, k;
    if (i < 20) {
      f = (b & c) | (~b & d), k = 0x5A827999;
    } else if (i < 40) {
      f = b ^ c ^ d, k = 0x6ED9EBA1;
    } else if (i < 60) {
      f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d, k = 0xCA62C1D6;
    }
    const uint32_t t = std::rotl(a, 5) + f + e + k + w[i];
    e = d, d = c, c = std::rotl(b, 30), b = a, a = t;
  }
  h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
}

}  // namespace

std::array<std::uint8_t, 20> sha1(std::string_view data) {
  std::array<uint32_t, 5> h{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
  std::size_t whole = data.size() / 64 * 64;
  for (std::size_t i = 0; i < whole; i += 64) compress_block(h, bytes + i);

  // The tail, the 0x80 marker and the message length in bits (big-endian).
  std::uint8_t tail[128] = {};
  const std::size_t rest = data.size() - whole;
  for (std::size_t i = 0; i < rest; ++i) tail[i] = bytes[whole + i];
  tail[rest] = 0x80;
  const std::size_t tail_size = rest + 1 + 8 <= 64 ? 64 : 128;
  const std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8;
  for (int i = 0; i < 8; ++i) {
    tail[tail_size - 1 - static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> (8 * i));
  }
  for (std::size_t i = 0; i < tail_size; i += 64) compress_block(h, tail + i);

  std::array<std::uint8_t, 20> digest{};
  for (std::size_t i = 0; i < 20; ++i) {
    digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
  }
  return digest;
}

std::string url_uuid(std::string_view url) {
  // The URL namespace, 6ba7b811-9dad-11d1-80b4-00c04fd430c8, then the name.
  static constexpr std::uint8_t kUrlNamespace[16] = {0x6b, 0xa7, 0xb8, 0x11, 0x9d, 0xad, 0x11, 0xd1,
                                                     0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8};
  std::string input(reinterpret_cast<const char*>(kUrlNamespace), sizeof kUrlNamespace);
  input.append(url);
  std::array<std::uint8_t, 20> d = sha1(input);
  d[6] = static_cast<std::uint8_t>((d[6] & 0x0F) | 0x50);  // version 5
  d[8] = static_cast<std::uint8_t>((d[8] & 0x3F) | 0x80);  // RFC 4122 variant
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    out.push_back(kHex[d[i] >> 4]);
    out.push_back(kHex[d[i] & 0x0F]);
  }
  return out;
}

}  // namespace lv::exporting
