#pragma once
// Slow, literal character walks of the text search and replace, to check the
// fast versions against (tests and fuzz targets).
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace lv::test {

inline unsigned char ref_fold(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + 32) : u;
}

inline bool ref_equal_at(std::string_view text, long long p, std::string_view sought, bool fold) {
  for (std::size_t i = 0; i < sought.size(); ++i) {
    const char a = text[static_cast<std::size_t>(p) + i], b = sought[i];
    if (fold ? ref_fold(a) != ref_fold(b) : a != b) return false;
  }
  return true;
}

inline int ref_find_text(std::string_view text, std::string_view sought, std::optional<int> start,
                         bool case_insensitive) {
  const long long size = static_cast<long long>(text.size());
  const long long m = static_cast<long long>(sought.size());
  const long long s = start ? std::max<long long>(static_cast<long long>(*start) - 1, 0) : 0;
  if (s >= size) return -1;
  if (m == 0) return 1;
  for (long long p = s; size - p >= m;) {
    if (ref_equal_at(text, p, sought, case_insensitive)) return static_cast<int>(p + 1);
    const auto c = static_cast<unsigned char>(text[static_cast<std::size_t>(p)]);
    if (c >= 0x80 && p + 1 == size) return -1;
    p += c >= 0x80 ? 2 : 1;
  }
  return -1;
}

inline std::string ref_replace_text(std::string_view text, std::string_view sought,
                                    std::string_view replacement, std::optional<int> start,
                                    std::optional<int> count, bool case_sensitive) {
  const long long size = static_cast<long long>(text.size());
  const long long m = static_cast<long long>(sought.size());
  const long long s = start ? std::max<long long>(static_cast<long long>(*start) - 1, 0) : 0;
  if (size == 0 || m == 0 || s >= size || (count && *count == 0)) return std::string(text);
  std::string out(text.substr(0, static_cast<std::size_t>(s)));
  long long p = s;
  long long done = 0;
  while (size - p >= m) {
    if (ref_equal_at(text, p, sought, !case_sensitive)) {
      out.append(replacement);
      p += m;
      ++done;
      if (count && done == *count) break;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[static_cast<std::size_t>(p)]);
    if (c >= 0x80) {
      if (p + 1 == size) {
        p = size;  // a lone lead byte at the end is dropped
        break;
      }
      out.append(text.substr(static_cast<std::size_t>(p), 2));
      p += 2;
    } else {
      out.push_back(static_cast<char>(c));
      p += 1;
    }
  }
  if (p < size) out.append(text.substr(static_cast<std::size_t>(p)));
  return out;
}

// The trim written as its three steps, with no shortcuts.
inline std::string ref_trim(std::string_view t) {
  std::size_t i = 0;
  auto blank_at = [&](std::size_t p) {
    return t[p] == ' ' || (static_cast<unsigned char>(t[p]) == 0xA1 && p + 1 < t.size() &&
                           static_cast<unsigned char>(t[p + 1]) == 0xA1);
  };
  while (i < t.size() && blank_at(i)) i += t[i] == ' ' ? 1 : 2;
  const std::size_t begin = i;
  std::size_t end = t.size();
  std::optional<std::size_t> run;
  while (i < t.size()) {
    if (blank_at(i)) {
      if (!run) run = i;
    } else {
      run.reset();
    }
    if (static_cast<unsigned char>(t[i]) >= 0x80) {
      if (i + 1 == t.size()) {
        end = i;
        run.reset();
        break;
      }
      i += 2;
    } else {
      i += 1;
    }
  }
  if (run) end = *run;
  return std::string(t.substr(begin, end - begin));
}

}  // namespace lv::test
