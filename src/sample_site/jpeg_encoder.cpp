#include "sample_site/jpeg_encoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace lv::site {
namespace {

constexpr std::array<int, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Quantisation tables of the standard's annex, in natural order.
constexpr std::array<int, 64> kLumaQuant = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> kChromaQuant = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// Huffman tables of the standard's annex: code counts per length 1..16, then symbols.
struct HuffmanSpec {
  std::array<std::uint8_t, 16> counts;
  std::vector<std::uint8_t> symbols;
};

const HuffmanSpec kLumaDc = {{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
                             {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const HuffmanSpec kChromaDc = {{0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0},
                               {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}};
const HuffmanSpec kLumaAc = {
    {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d},
    {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61,
     0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52,
     0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25,
     0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45,
     0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64,
     0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
     0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99,
     0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
     0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3,
     0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8,
     0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}};
const HuffmanSpec kChromaAc = {
    {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77},
    {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61,
     0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33,
     0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18,
     0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
     0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63,
     0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
     0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
     0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4,
     0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca,
     0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
     0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}};

struct Code {
  std::uint16_t bits = 0;
  std::uint8_t length = 0;
};

// Canonical codes: within each length, consecutive values in symbol order.
std::array<Code, 256> build_codes(const HuffmanSpec& spec) {
  std::array<Code, 256> codes{};
  unsigned code = 0;
  std::size_t k = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int n = 0; n < spec.counts[static_cast<std::size_t>(length - 1)]; ++n) {
      codes[spec.symbols[k++]] = {static_cast<std::uint16_t>(code), static_cast<std::uint8_t>(length)};
      ++code;
    }
    code <<= 1;
  }
  return codes;
}

class BitWriter final {
 public:
  explicit BitWriter(std::string& out) : out_(out) {}
  void put(unsigned bits, int length) {
    for (int i = length - 1; i >= 0; --i) {
      acc_ = static_cast<unsigned>((acc_ << 1) | ((bits >> i) & 1u));
      if (++count_ == 8) flush_byte();
    }
  }
  void finish() {  // pad the last byte with 1 bits
    while (count_ != 0) put(1, 1);
  }

 private:
  void flush_byte() {
    const auto byte = static_cast<char>(acc_ & 0xFF);
    out_.push_back(byte);
    if ((acc_ & 0xFF) == 0xFF) out_.push_back('\0');  // byte stuffing
    acc_ = 0;
    count_ = 0;
  }
  std::string& out_;
  unsigned acc_ = 0;
  int count_ = 0;
};

void put16(std::string& out, int v) {
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
  out.push_back(static_cast<char>(v & 0xFF));
}
void put8(std::string& out, int v) { out.push_back(static_cast<char>(v & 0xFF)); }

std::array<int, 64> scaled_table(const std::array<int, 64>& base, int quality) {
  quality = std::clamp(quality, 1, 100);
  const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
  std::array<int, 64> out{};
  for (std::size_t i = 0; i < 64; ++i) out[i] = std::clamp((base[i] * scale + 50) / 100, 1, 255);
  return out;
}

// Separable forward DCT with a precomputed cosine table; 8x8 blocks are
// few enough (a cover has under a thousand) that clarity wins over speed.
struct Dct {
  double c[8][8];
  Dct() {
    const double pi = std::acos(-1.0);
    for (int u = 0; u < 8; ++u) {
      const double a = u == 0 ? std::sqrt(0.125) : 0.5;
      for (int x = 0; x < 8; ++x) c[u][x] = a * std::cos((2 * x + 1) * u * pi / 16.0);
    }
  }
  void forward(const double in[64], double out[64]) const {
    double tmp[64];
    for (int y = 0; y < 8; ++y) {
      for (int u = 0; u < 8; ++u) {
        double s = 0;
        for (int x = 0; x < 8; ++x) s += c[u][x] * in[y * 8 + x];
        tmp[y * 8 + u] = s;
      }
    }
    for (int u = 0; u < 8; ++u) {
      for (int v = 0; v < 8; ++v) {
        double s = 0;
        for (int y = 0; y < 8; ++y) s += c[v][y] * tmp[y * 8 + u];
        out[v * 8 + u] = s;
      }
    }
  }
};

int magnitude_bits(int v) {
  int a = v < 0 ? -v : v;
  int n = 0;
  while (a) {
    ++n;
    a >>= 1;
  }
  return n;
}

unsigned magnitude_code(int v, int n) {  // negative values: one's complement
  return static_cast<unsigned>(v < 0 ? v + (1 << n) - 1 : v);
}

void encode_block(BitWriter& w, const double block[64], const std::array<int, 64>& quant,
                  const std::array<Code, 256>& dc, const std::array<Code, 256>& ac, int& prev_dc,
                  const Dct& dct) {
  double coeffs[64];
  dct.forward(block, coeffs);
  int q[64];
  for (int k = 0; k < 64; ++k) {
    const auto n = static_cast<std::size_t>(kZigzag[static_cast<std::size_t>(k)]);
    // AC symbols carry at most 10 magnitude bits
    const int limit = k == 0 ? 2047 : 1023;
    q[k] = std::clamp(static_cast<int>(std::lround(coeffs[n] / quant[n])), -limit, limit);
  }
  const int diff = q[0] - prev_dc;
  prev_dc = q[0];
  const int dn = magnitude_bits(diff);
  w.put(dc[static_cast<std::size_t>(dn)].bits, dc[static_cast<std::size_t>(dn)].length);
  if (dn) w.put(magnitude_code(diff, dn), dn);
  int run = 0;
  for (int k = 1; k < 64; ++k) {
    if (q[k] == 0) {
      ++run;
      continue;
    }
    while (run > 15) {
      w.put(ac[0xF0].bits, ac[0xF0].length);
      run -= 16;
    }
    const int n = magnitude_bits(q[k]);
    const auto symbol = static_cast<std::size_t>((run << 4) | n);
    w.put(ac[symbol].bits, ac[symbol].length);
    w.put(magnitude_code(q[k], n), n);
    run = 0;
  }
  if (run > 0) w.put(ac[0x00].bits, ac[0x00].length);
}

void write_huffman(std::string& out, int table_class_and_id, const HuffmanSpec& spec) {
  put8(out, table_class_and_id);
  for (auto c : spec.counts) put8(out, c);
  for (auto s : spec.symbols) put8(out, s);
}

}  // namespace

std::string encode_jpeg(const RgbImage& image, int quality) {
  const int w = image.width, h = image.height;
  if (w <= 0 || h <= 0 || w > 0xFFFF || h > 0xFFFF ||
      image.pixels.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3) {
    return {};
  }
  const auto luma_q = scaled_table(kLumaQuant, quality);
  const auto chroma_q = scaled_table(kChromaQuant, quality);
  static const auto luma_dc = build_codes(kLumaDc);
  static const auto luma_ac = build_codes(kLumaAc);
  static const auto chroma_dc = build_codes(kChromaDc);
  static const auto chroma_ac = build_codes(kChromaAc);
  static const Dct dct;

  std::string out;
  out.reserve(4096);
  put16(out, 0xFFD8);                                   // SOI
  put16(out, 0xFFE0);                                   // APP0: JFIF 1.01, no density
  put16(out, 16);
  out.append("JFIF\0", 5);
  put8(out, 1), put8(out, 1), put8(out, 0), put16(out, 1), put16(out, 1), put8(out, 0), put8(out, 0);
  put16(out, 0xFFDB);                                   // DQT: two 8-bit tables
  put16(out, 2 + 2 * 65);
  put8(out, 0);
  for (int k = 0; k < 64; ++k) put8(out, luma_q[static_cast<std::size_t>(kZigzag[static_cast<std::size_t>(k)])]);
  put8(out, 1);
  for (int k = 0; k < 64; ++k) put8(out, chroma_q[static_cast<std::size_t>(kZigzag[static_cast<std::size_t>(k)])]);
  put16(out, 0xFFC0);                                   // SOF0
  put16(out, 17);
  put8(out, 8), put16(out, h), put16(out, w), put8(out, 3);
  put8(out, 1), put8(out, 0x11), put8(out, 0);
  put8(out, 2), put8(out, 0x11), put8(out, 1);
  put8(out, 3), put8(out, 0x11), put8(out, 1);
  put16(out, 0xFFC4);                                   // DHT: all four tables
  const auto table_size = [](const HuffmanSpec& s) { return 1 + 16 + static_cast<int>(s.symbols.size()); };
  put16(out, 2 + table_size(kLumaDc) + table_size(kLumaAc) + table_size(kChromaDc) + table_size(kChromaAc));
  write_huffman(out, 0x00, kLumaDc);
  write_huffman(out, 0x10, kLumaAc);
  write_huffman(out, 0x01, kChromaDc);
  write_huffman(out, 0x11, kChromaAc);
  put16(out, 0xFFDA);                                   // SOS
  put16(out, 12);
  put8(out, 3);
  put8(out, 1), put8(out, 0x00), put8(out, 2), put8(out, 0x11), put8(out, 3), put8(out, 0x11);
  put8(out, 0), put8(out, 63), put8(out, 0);

  BitWriter bits(out);
  int prev[3] = {0, 0, 0};
  for (int by = 0; by < h; by += 8) {
    for (int bx = 0; bx < w; bx += 8) {
      double ycc[3][64];
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          // edge pixels repeat into the padding of partial blocks
          const int sx = std::min(bx + x, w - 1), sy = std::min(by + y, h - 1);
          const std::size_t p = (static_cast<std::size_t>(sy) * static_cast<std::size_t>(w) +
                                 static_cast<std::size_t>(sx)) * 3;
          const double r = image.pixels[p], g = image.pixels[p + 1], b = image.pixels[p + 2];
          ycc[0][y * 8 + x] = 0.299 * r + 0.587 * g + 0.114 * b - 128.0;
          ycc[1][y * 8 + x] = -0.168736 * r - 0.331264 * g + 0.5 * b;
          ycc[2][y * 8 + x] = 0.5 * r - 0.418688 * g - 0.081312 * b;
        }
      }
      encode_block(bits, ycc[0], luma_q, luma_dc, luma_ac, prev[0], dct);
      encode_block(bits, ycc[1], chroma_q, chroma_dc, chroma_ac, prev[1], dct);
      encode_block(bits, ycc[2], chroma_q, chroma_dc, chroma_ac, prev[2], dct);
    }
  }
  bits.finish();
  put16(out, 0xFFD9);                                   // EOI
  return out;
}

}  // namespace lv::site
