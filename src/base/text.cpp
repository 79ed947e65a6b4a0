#include "base/text.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "base/text_search.h"

namespace lv::base {
namespace {

using Byte = unsigned char;

inline Byte byte_at(std::string_view s, std::size_t i) { return static_cast<Byte>(s[i]); }
inline bool is_lead(Byte c) { return c >= 0x80; }
inline Byte fold(Byte c) { return (c >= 'A' && c <= 'Z') ? static_cast<Byte>(c + 32) : c; }

// Counts and positions arrive as int; work in 64 bits so that extremes such
// as INT_MIN - 1 cannot overflow.
inline long long wide(int v) { return v; }

inline int clamp_int(std::size_t n) { return n > INT_MAX ? INT_MAX : static_cast<int>(n); }

// A 1-based start as a 0-based offset: omitted or below 1 is 0.
inline std::size_t start_offset(std::optional<int> start) {
  if (!start) return 0;
  return static_cast<std::size_t>(std::max<long long>(wide(*start) - 1, 0));
}

Text map_letters(std::string_view text, Byte from_lo, Byte from_hi, int delta) {
  Text out(text);
  const std::size_t n = out.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Byte c = static_cast<Byte>(out[i]);
    if (is_lead(c)) {
      ++i;  // the trail byte is never case-mapped
    } else if (c >= from_lo && c <= from_hi) {
      out[i] = static_cast<char>(c + delta);
    }
  }
  return out;
}

}  // namespace

// --- byte sets -------------------------------------------------------------

Bytes::Bytes(const void* data, std::size_t size) { append(data, size); }

void Bytes::append(const void* data, std::size_t size) {
  if (size == 0) return;
  const auto* p = static_cast<const std::uint8_t*>(data);
  data_.insert(data_.end(), p, p + size);
}

Bytes operator+(const Bytes& a, const Bytes& b) {
  Bytes out;
  out.vector().reserve(a.size() + b.size());
  out.append(a);
  out.append(b);
  return out;
}

int bytes_length(const Bytes& bytes) { return clamp_int(bytes.size()); }

Bytes bytes_left(const Bytes& bytes, int count) {
  if (count <= 0) return {};
  return Bytes(bytes.data(), std::min<std::size_t>(static_cast<std::size_t>(count), bytes.size()));
}

Bytes make_zero_bytes(int count) {
  if (count <= 0) return {};
  return Bytes(std::vector<std::uint8_t>(static_cast<std::size_t>(count), 0));
}

Bytes to_bytes(const Bytes& bytes) { return bytes; }

// --- texts -----------------------------------------------------------------

int text_length(std::string_view text) { return clamp_int(text.size()); }

Text text_left(std::string_view text, int count) {
  if (count <= 0) return {};
  return Text(text.substr(0, static_cast<std::size_t>(count)));
}

Text text_right(std::string_view text, int count) {
  if (count <= 0) return {};
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), text.size());
  return Text(text.substr(text.size() - n));
}

Text text_middle(std::string_view text, int start, int count) {
  const long long s = wide(start) - 1;
  if (s < 0 || s >= static_cast<long long>(text.size()) || count <= 0) return {};
  return Text(text.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(count)));
}

int find_text(std::string_view text, std::string_view sought, std::optional<int> start,
              bool case_insensitive) {
  const std::size_t s = start_offset(start);
  if (s >= text.size()) return -1;
  if (sought.empty()) return 1;
  const std::size_t hit = detail::search(text, sought, s, case_insensitive);
  return hit == detail::npos ? -1 : clamp_int(hit + 1);
}

Text replace_range(std::string_view text, int start, int length,
                   std::optional<std::string_view> replacement) {
  const std::size_t size = text.size();
  const std::size_t s = static_cast<std::size_t>(
      std::clamp<long long>(wide(start) - 1, 0, static_cast<long long>(size)));
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(std::max(length, 0)), size - s);
  const std::string_view r = replacement.value_or(std::string_view{});
  Text out;
  out.reserve(size - n + r.size());
  out.append(text.substr(0, s));
  out.append(r);
  out.append(text.substr(s + n));
  return out;
}

Text replace_text(std::string_view text, std::string_view sought, std::string_view replacement,
                  std::optional<int> start, std::optional<int> count, bool case_sensitive) {
  const std::size_t size = text.size();
  const std::size_t m = sought.size();
  const std::size_t s = start_offset(start);
  if (size == 0 || m == 0 || s >= size || (count && *count == 0)) return Text(text);

  // A negative count never equals the number done, so it limits nothing.
  const long long limit = count && *count > 0 ? *count : -1;
  long long done = 0;
  Text out;
  out.reserve(size);
  out.append(text.substr(0, s));
  std::size_t p = s;
  bool count_reached = false;
  while (size - p >= m) {
    const std::size_t hit = detail::search(text, sought, p, !case_sensitive);
    if (hit == detail::npos) break;
    out.append(text.substr(p, hit - p));
    out.append(replacement);
    p = hit + m;
    if (++done == limit) {
      count_reached = true;
      break;
    }
  }
  // A character-wise walk with a one-byte sought text reaches a lone lead
  // byte at the very end; it drops that broken character.
  if (!count_reached && m == 1 && p < size && is_lead(byte_at(text, size - 1)) &&
      detail::on_boundary(text, p, size - 1)) {
    out.append(text.substr(p, size - 1 - p));
    return out;
  }
  out.append(text.substr(p));
  return out;
}

Text trim_both(std::string_view text) { return Text(detail::trim_view(text)); }

Text to_upper(std::string_view text) { return map_letters(text, 'a', 'z', -32); }
Text to_lower(std::string_view text) { return map_letters(text, 'A', 'Z', 32); }

Text make_spaces(int count) {
  if (count < 1) return {};
  return Text(static_cast<std::size_t>(count), ' ');
}

int compare_text(std::string_view a, std::string_view b, bool case_sensitive) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    Byte x = byte_at(a, i), y = byte_at(b, i);
    if (!case_sensitive) {
      x = fold(x);
      y = fold(y);
    }
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace lv::base
