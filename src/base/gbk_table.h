#pragma once
// GBK (code page 936) to and from Unicode as lookup tables. iconv stays the
// one authority on the mapping, but it is asked once per process, when the
// tables are first used; the conversions then walk the tables, so a bad byte
// costs a lookup instead of an iconv restart. Built thread-safely on first
// use and never changed afterwards.
#include <array>
#include <cstdint>
#include <vector>

namespace lv::base {

class GbkTable final {
 public:
  // A lead byte 81..FE and a trail 40..FE but 7F: the shape of a two-byte
  // character. Every step of reading GBK is two bytes where the pair has
  // this shape and one byte elsewhere, whether iconv reads a character
  // there or refuses it (a well-shaped but unmapped pair is one bad
  // character; a lone lead byte is one bad byte and keeps the ASCII after
  // it). The table is built only for a code page where that holds.
  static constexpr bool pair_shape(unsigned char b, unsigned char next) {
    return b >= 0x81 && b <= 0xFE && next >= 0x40 && next <= 0xFE && next != 0x7F;
  }

  // One step of reading GBK: the character read (U+FFFD where iconv refuses
  // the byte), also in UTF-8 so that direction is a plain copy.
  struct Step {
    char utf8[4];          // padded with zero bytes
    std::uint32_t packed;  // bits 0-20 code point, 24-26 UTF-8 length
    char32_t code() const { return packed & 0x1FFFFF; }
    unsigned utf8_length() const { return packed >> 24 & 7; }
  };

  // GBK for a code point: below 0x100 one byte, otherwise lead << 8 | trail.
  // kNone: iconv cannot convert it; kDropped: iconv drops it without a word.
  static constexpr std::uint16_t kNone = 0xFFFF;
  static constexpr std::uint16_t kDropped = 0xFFFE;

  static const GbkTable& get();

  // A table of its own (some 650 KB; hold it on the heap). For measuring
  // the build: the program uses get().
  GbkTable();

  // The step at byte `b`, followed by `next` or last in the input.
  const Step& at(unsigned char b, unsigned char next) const { return pair_[b << 8 | next]; }
  const Step& at_end(unsigned char b) const { return last_[b]; }

  std::uint16_t encode(char32_t c) const { return c < 0x10000 ? bmp_[c] : encode_high(c); }

  // The precomposed character GBK holds for `base` followed by the combining
  // `mark`, or 0 (a small set of Latin and Cyrillic letters).
  char16_t compose(char16_t base, char16_t mark) const;

 private:
  bool build(const char* code_page);
  std::uint16_t encode_high(char32_t c) const;

  struct HighBlock {
    char32_t first;                    // a multiple of 128
    std::vector<std::uint16_t> codes;  // 128 entries
  };
  struct Composition {
    char16_t base, mark, composed;
  };

  // Arrays, not vectors: the conversion loops then find them at fixed offsets
  // from the table and need not reload their addresses after every store.
  // Not zeroed first: the constructor fills every entry.
  std::array<Step, 0x100> last_;
  std::array<Step, 0x10000> pair_;
  std::array<std::uint16_t, 0x10000> bmp_;
  std::vector<HighBlock> high_;  // blocks above the BMP where not every code is kNone
  std::vector<Composition> compositions_;
};

}  // namespace lv::base
