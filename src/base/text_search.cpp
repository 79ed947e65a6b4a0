#include "base/text_search.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lv::base::detail {
namespace {

using Byte = unsigned char;

inline Byte fold(Byte c) { return (c >= 'A' && c <= 'Z') ? static_cast<Byte>(c + 32) : c; }
inline bool is_letter(Byte c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// The last byte below 0x80 in [lo, hi), or nullptr. Eight bytes at a time:
// page text is long runs of either ASCII markup or double-byte characters.
const Byte* last_single_byte(const Byte* lo, const Byte* hi) {
  if constexpr (std::endian::native == std::endian::little) {
    while (hi - lo >= 8) {
      std::uint64_t word;
      std::memcpy(&word, hi - 8, 8);
      const std::uint64_t singles = ~word & kHighBits;
      if (singles != 0) return hi - 8 + (63 - std::countl_zero(singles)) / 8;
      hi -= 8;
    }
  }
  while (hi > lo) {
    --hi;
    if (*hi < 0x80) return hi;
  }
  return nullptr;
}

// Whether c is a boundary, given that b <= c is one. Whatever a byte below
// 0x80 is (a character of its own or a trail byte), the next byte starts a
// character; past the last such byte the lead bytes pair up, so parity decides.
// This looks back only as far as the last single byte, or to b.
inline bool boundary_from(const Byte* b, const Byte* c) {
  const Byte* single = last_single_byte(b, c);
  const Byte* run = single ? single + 1 : b;
  return ((c - run) & 1) == 0;
}

inline bool equal_folded(const Byte* a, const Byte* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

// A byte of the needle as a test on text bytes: equal once `bits` are set on
// both. Bit 0x20 is all that tells a letter's two cases apart, so a letter
// matches either case and any other byte only itself, as fold() has it.
struct FoldedByte {
  explicit FoldedByte(Byte c) : bits(is_letter(c) ? Byte{0x20} : Byte{0}), value(static_cast<Byte>(c | bits)) {}
  bool matches(Byte t) const { return static_cast<Byte>(t | bits) == value; }
  Byte bits, value;
};

// The first place in [at, end) where the needle (m >= 2 bytes) starts, or
// nullptr. Sixteen starting places at a time are tested on the needle's first
// and last byte together, which markup rarely matches at once, and only those
// that pass are compared whole: no set-up per call, as memmem has, which
// counts when a page is cut by thousands of short searches.
const Byte* find_exact(const Byte* at, const Byte* end, const Byte* needle, std::size_t m) {
  const Byte* const last_start = end - m;
#if defined(__SSE2__)
  const __m128i first = _mm_set1_epi8(static_cast<char>(needle[0]));
  const __m128i last = _mm_set1_epi8(static_cast<char>(needle[m - 1]));
  for (; last_start - at >= 15; at += 16) {
    const __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + m - 1));
    auto mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(heads, first), _mm_cmpeq_epi8(tails, last))));
    while (mask != 0) {
      const Byte* c = at + std::countr_zero(mask);
      if (std::memcmp(c + 1, needle + 1, m - 2) == 0) return c;
      mask &= mask - 1;
    }
  }
#endif
  for (; at <= last_start; ++at) {
    if (at[0] == needle[0] && at[m - 1] == needle[m - 1] && std::memcmp(at + 1, needle + 1, m - 2) == 0) return at;
  }
  return nullptr;
}

// find_exact with case ignored: one pass whatever the needle holds. (Looking
// for each case of a letter on its own ran to the end of the text for a case
// that is absent, at every call: quadratic over a text with many matches.)
const Byte* find_folded(const Byte* at, const Byte* end, const Byte* needle, std::size_t m) {
  const Byte* const last_start = end - m;
  const FoldedByte first(needle[0]), last(needle[m - 1]);
  const std::size_t middle = m > 2 ? m - 2 : 0;
#if defined(__SSE2__)
  const __m128i first_bits = _mm_set1_epi8(static_cast<char>(first.bits));
  const __m128i first_value = _mm_set1_epi8(static_cast<char>(first.value));
  const __m128i last_bits = _mm_set1_epi8(static_cast<char>(last.bits));
  const __m128i last_value = _mm_set1_epi8(static_cast<char>(last.value));
  for (; last_start - at >= 15; at += 16) {
    const __m128i heads = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), first_bits);
    const __m128i tails = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + m - 1)), last_bits);
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpeq_epi8(heads, first_value), _mm_cmpeq_epi8(tails, last_value))));
    while (mask != 0) {
      const Byte* c = at + std::countr_zero(mask);
      if (equal_folded(c + 1, needle + 1, middle)) return c;
      mask &= mask - 1;
    }
  }
#endif
  for (; at <= last_start; ++at) {
    if (first.matches(at[0]) && last.matches(at[m - 1]) && equal_folded(at + 1, needle + 1, middle)) return at;
  }
  return nullptr;
}

std::size_t search_exact(const Byte* base, std::size_t size, const Byte* needle, std::size_t m,
                         std::size_t from) {
  const Byte* boundary = base + from;
  const Byte* end = base + size;
  const Byte* at = base + from;
  while (static_cast<std::size_t>(end - at) >= m) {
    const void* hit = m == 1 ? std::memchr(at, needle[0], static_cast<std::size_t>(end - at))
                             : find_exact(at, end, needle, m);
    if (hit == nullptr) return npos;
    const Byte* c = static_cast<const Byte*>(hit);
    if (boundary_from(boundary, c)) return static_cast<std::size_t>(c - base);
    boundary = c + 1;  // c is a trail byte, so the next byte starts a character
    at = c + 1;
  }
  return npos;
}

std::size_t search_folded(const Byte* base, std::size_t size, const Byte* needle, std::size_t m,
                          std::size_t from) {
  const Byte* boundary = base + from;
  const Byte* end = base + size;
  const Byte* at = base + from;
  while (static_cast<std::size_t>(end - at) >= m) {
    const Byte* c = find_folded(at, end, needle, m);
    if (c == nullptr) return npos;
    if (boundary_from(boundary, c)) return static_cast<std::size_t>(c - base);
    boundary = c + 1;  // c is a trail byte, so the next byte starts a character
    at = c + 1;
  }
  return npos;
}

}  // namespace

std::size_t search(std::string_view text, std::string_view sought, std::size_t from,
                   bool fold_case) {
  const std::size_t size = text.size();
  const std::size_t m = sought.size();
  if (m == 0 || from >= size || size - from < m) return npos;
  const auto* base = reinterpret_cast<const Byte*>(text.data());
  const auto* needle = reinterpret_cast<const Byte*>(sought.data());
  if (fold_case) {
    bool has_letter = false;
    for (char c : sought) has_letter = has_letter || is_letter(static_cast<Byte>(c));
    if (has_letter) return search_folded(base, size, needle, m, from);
  }
  return search_exact(base, size, needle, m, from);
}

namespace {

inline bool has_byte(std::uint64_t word, Byte b) {
  const std::uint64_t x = word ^ (0x0101010101010101ULL * b);
  return ((x - 0x0101010101010101ULL) & ~x & kHighBits) != 0;
}

}  // namespace

std::string_view trim_view(std::string_view text) {
  const auto* t = reinterpret_cast<const Byte*>(text.data());
  const std::size_t size = text.size();
  auto full_width_space = [&](std::size_t i) { return t[i] == 0xA1 && i + 1 < size && t[i + 1] == 0xA1; };
  std::size_t begin = 0;
  while (begin < size) {
    if (t[begin] == 0x20) {
      ++begin;
    } else if (full_width_space(begin)) {
      begin += 2;
    } else {
      break;
    }
  }
  std::size_t end = size;
  std::size_t blanks = npos;  // where the latest run of blanks began
  std::size_t i = begin;
  while (i < size) {
    if constexpr (std::endian::native == std::endian::little) {
      if (size - i >= 8) {
        std::uint64_t word;
        std::memcpy(&word, t + i, 8);
        if (!has_byte(word, 0x20) && !has_byte(word, 0xA1)) {
          // No character that starts in these eight bytes is a blank; step
          // to the first boundary after them (see boundary_from).
          blanks = npos;
          const std::uint64_t singles = ~word & kHighBits;
          const std::size_t next =
              singles == 0 ? i + 8 : i + 8 + ((7 - (63 - std::countl_zero(singles)) / 8) & 1);
          if (next > size) {  // a lead byte at the very end has no partner
            end = size - 1;
            break;
          }
          i = next;
          continue;
        }
      }
    }
    const Byte c = t[i];
    if (c == 0x20 || full_width_space(i)) {
      if (blanks == npos) blanks = i;
    } else {
      blanks = npos;
    }
    if (c >= 0x80) {
      if (i + 1 == size) {
        end = i;  // a broken character at the end is cut off
        blanks = npos;
        break;
      }
      i += 2;
    } else {
      i += 1;
    }
  }
  if (blanks != npos) end = blanks;
  return text.substr(begin, end - begin);
}

bool on_boundary(std::string_view text, std::size_t from, std::size_t pos) {
  if (pos < from || pos > text.size()) return false;
  const auto* base = reinterpret_cast<const Byte*>(text.data());
  return boundary_from(base + from, base + pos);
}

}  // namespace lv::base::detail
