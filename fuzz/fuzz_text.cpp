// Text operations, marker extraction and code pages on arbitrary bytes,
// checked against the literal character walks where that is cheap.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/code_page.h"
#include "base/convert.h"
#include "base/text.h"
#include "scrape/character_references.h"
#include "scrape/extract.h"
#include "support/gbk_reference.h"

namespace {

using lv::base::Text;

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "mismatch: %s\n", what);
    std::abort();
  }
}

std::optional<int> maybe_int(FuzzedDataProvider& in, int lo, int hi) {
  if (in.ConsumeBool()) return std::nullopt;
  return in.ConsumeIntegralInRange(lo, hi);
}

lv::scrape::ResultList ref_extract_all(std::string_view text, std::string_view start,
                                       std::string_view end, const lv::scrape::ExtractOptions& o) {
  lv::scrape::ResultList out;
  const bool fold = !o.case_sensitive;
  int position = o.start_position;
  int previous_end = 0;
  for (;;) {
    const int p1 = lv::test::ref_find_text(text, start, position, fold);
    if (p1 < 1) break;
    const int s = p1 + static_cast<int>(start.size());
    const int p2 = lv::test::ref_find_text(text, end, s, fold);
    if (p2 < 1 || p2 <= previous_end) break;
    previous_end = p2;
    const bool inside = s >= 1 && s <= static_cast<int>(text.size()) && p2 > s;
    Text item = inside ? lv::test::ref_trim(text.substr(static_cast<std::size_t>(s - 1),
                                              static_cast<std::size_t>(p2 - s)))
                       : Text();
    if (item.empty()) break;
    if (o.max_length != 0 && static_cast<int>(item.size()) > o.max_length) break;
    Text entry = (o.keep_start ? Text(start) : Text()) + o.prefix + item + o.suffix +
                 (o.keep_end ? Text(end) : Text());
    out.push_back(entry);
    position = p2;
  }
  return out;
}

// Every '&' that starts a character written as "&amp;": decoding gives the text back.
Text ampersands_escaped(std::string_view s) {
  Text out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (static_cast<unsigned char>(s[i]) >= 0x80 && i + 1 < s.size()) {
      out += s.substr(i++, 2);
    } else {
      out += s[i] == '&' ? std::string_view("&amp;") : s.substr(i, 1);
    }
  }
  return out;
}

bool valid_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xF0 && c < 0xF5 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const Text start_marker = in.ConsumeRandomLengthString(8);
  const Text end_marker = in.ConsumeRandomLengthString(8);
  const Text replacement = in.ConsumeRandomLengthString(4);
  const std::optional<int> start = maybe_int(in, -3, 300);
  const std::optional<int> count = maybe_int(in, -2, 5);
  const bool flag = in.ConsumeBool();
  lv::scrape::ExtractOptions options;
  options.case_sensitive = in.ConsumeBool();
  options.max_length = in.ConsumeIntegralInRange(0, 6);
  options.keep_start = in.ConsumeBool();
  options.keep_end = in.ConsumeBool();
  options.prefix = in.ConsumeBool() ? "<" : "";
  options.suffix = in.ConsumeBool() ? ">" : "";
  options.start_position = in.ConsumeIntegralInRange(-2, 200);
  const Text text = in.ConsumeRemainingBytesAsString();

  using namespace lv::base;
  check(find_text(text, start_marker, start, flag) ==
            lv::test::ref_find_text(text, start_marker, start, flag),
        "find_text");
  check(replace_text(text, start_marker, replacement, start, count, flag) ==
            lv::test::ref_replace_text(text, start_marker, replacement, start, count, flag),
        "replace_text");
  check(trim_both(text) == lv::test::ref_trim(text), "trim_both");

  lv::scrape::ResultList results{"stale"};
  const int n = lv::scrape::extract_all_between(text, start_marker, end_marker, results, options);
  check(n == static_cast<int>(results.size()), "extract_all_between count");
  check(results == ref_extract_all(text, start_marker, end_marker, options), "extract_all_between");

  const Text first = lv::scrape::extract_between(text, start_marker, end_marker, start.value_or(1), flag);
  check(first.size() <= text.size(), "extract_between");

  Text pairs = lv::scrape::replace_pairs(text, count, start.value_or(0), flag,
                                         {{start_marker, replacement}, {end_marker, "x"}});
  const int pair_start = start.value_or(0) == 0 ? 1 : *start;
  Text expected = text;
  if (!start_marker.empty())
    expected = lv::test::ref_replace_text(expected, start_marker, replacement, pair_start, count, flag);
  if (!end_marker.empty())
    expected = lv::test::ref_replace_text(expected, end_marker, "x", pair_start, count, flag);
  check(pairs == expected, "replace_pairs");

  const Text decoded = lv::scrape::decode_character_references(text);
  check(decoded.size() <= text.size(), "references: never longer");
  check(text.find('&') != Text::npos || decoded == text, "references: nothing to decode");
  check(lv::scrape::decode_character_references(ampersands_escaped(text)) == text, "references: one pass");

  (void)to_upper(text);
  (void)to_lower(text);
  const Text narrow = half_width(text);
  check(narrow.size() <= text.size(), "half_width");
  // The C library's readers in the C locale agree wherever their extras
  // (hexadecimal, infinity, not-a-number) cannot come into play.
  const long wide_int = std::strtol(narrow.c_str(), nullptr, 10);
  const int expected_int = wide_int > INT_MAX ? INT_MAX : wide_int < INT_MIN ? INT_MIN : static_cast<int>(wide_int);
  check(to_int(text) == expected_int, "to_int");
  if (narrow.find_first_not_of("0123456789.eE+- \t", 0) == Text::npos) {
    const double expected_number = std::strtod(narrow.c_str(), nullptr);
    const double number = to_number(text);
    check(number == expected_number || (number != number && expected_number != expected_number), "to_number");
  }

  const std::string utf8 = gbk_to_utf8(text);
  check(valid_utf8(utf8), "gbk_to_utf8 output");
  const Text back = utf8_to_gbk(utf8);
  check(utf8_to_gbk(gbk_to_utf8(back)) == back, "GBK round trip");
  check(utf16_to_gbk(gbk_to_utf16(back)) == back, "UTF-16 round trip");
  (void)utf8_to_gbk(text);
  (void)wide_to_gbk(Bytes::from_string(text));
  return 0;
}
