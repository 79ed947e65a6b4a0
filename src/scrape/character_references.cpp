#include "scrape/character_references.h"

#include <algorithm>

#include "base/gbk_table.h"

namespace lv::scrape {

namespace {

// The longest HTML 4 name ("thetasym") has eight letters; a longer run is no name.
constexpr std::size_t kLongestName = 8;
constexpr char32_t kNoCharacter = 0x110000;

bool is_ascii_alnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

int digit_value(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct Reference {
  std::size_t length = 0;  // 0: no reference here
  char32_t code = 0;
};

// "&#...;" at `at`: its length and character, or no reference.
Reference numeric_at(std::string_view s, std::size_t at) {
  std::size_t i = at + 2;
  const bool hex = i < s.size() && (s[i] == 'x' || s[i] == 'X');
  if (hex) ++i;
  const std::size_t digits_from = i;
  char32_t value = 0;
  for (int d; i < s.size() && (d = digit_value(s[i], hex)) >= 0; ++i) {
    // Past U+10FFFF the value stops growing: only "too large" matters.
    value = std::min<char32_t>(value * (hex ? 16 : 10) + static_cast<char32_t>(d), kNoCharacter);
  }
  if (i == digits_from || i >= s.size() || s[i] != ';') return {};
  if (value == 0 || value >= kNoCharacter || (value >= 0xD800 && value <= 0xDFFF)) return {};
  return {i + 1 - at, value};
}

Reference named_at(std::string_view s, std::size_t at) {
  std::size_t i = at + 1;
  while (i < s.size() && i - at - 1 <= kLongestName && is_ascii_alnum(s[i])) ++i;
  if (i >= s.size() || s[i] != ';') return {};
  const auto code = named_reference(s.substr(at + 1, i - at - 1));
  if (!code) return {};
  return {i + 1 - at, *code};
}

// Writes the GBK form of `code` at `out` (one or two bytes); returns the count.
std::size_t put_gbk(char32_t code, char* out) {
  if (code == 0xA0) {  // the non-breaking space shows as a space
    *out = ' ';
    return 1;
  }
  const std::uint16_t gbk = lv::base::GbkTable::get().encode(code);
  if (gbk == lv::base::GbkTable::kNone || gbk == lv::base::GbkTable::kDropped) {
    *out = '?';
    return 1;
  }
  if (gbk < 0x100) {  // ASCII, and the euro sign's 80
    *out = static_cast<char>(gbk);
    return 1;
  }
  out[0] = static_cast<char>(gbk >> 8);
  out[1] = static_cast<char>(gbk & 0xFF);
  return 2;
}

}  // namespace

Text decode_character_references(Text text) {
  if (text.find('&') == Text::npos) return text;
  // Written back into the same text: the shortest reference ("&lt;", "&#9;")
  // takes four bytes and a character at most two, so the writing end never
  // passes the reading end.
  const std::string_view s(text);
  std::size_t write = 0;
  std::size_t read = 0;
  while (read < s.size()) {
    const auto byte = static_cast<unsigned char>(s[read]);
    if (byte >= 0x80) {
      // A lead byte and the one after it are one character: its second byte is never an '&'.
      text[write++] = text[read++];
      if (read < s.size()) text[write++] = text[read++];
      continue;
    }
    if (byte != '&') {
      text[write++] = text[read++];
      continue;
    }
    const bool numeric = read + 1 < s.size() && s[read + 1] == '#';
    const Reference ref = numeric ? numeric_at(s, read) : named_at(s, read);
    if (ref.length == 0) {
      text[write++] = text[read++];
      continue;
    }
    read += ref.length;
    write += put_gbk(ref.code, text.data() + write);
  }
  text.resize(write);
  return text;
}

}  // namespace lv::scrape
