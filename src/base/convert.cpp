#include "base/convert.h"

#include <charconv>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/code_page.h"
#include "base/program_end.h"

namespace lv::base {
namespace {

using Byte = unsigned char;

inline bool is_space(Byte c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool is_digit(Byte c) { return c >= '0' && c <= '9'; }

// Skips leading white space and one sign; returns whether it was '-'.
bool skip_space_and_sign(std::string_view s, std::size_t& i) {
  while (i < s.size() && is_space(static_cast<Byte>(s[i]))) ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) return s[i++] == '-';
  return false;
}

std::size_t skip_digits(std::string_view s, std::size_t i) {
  while (i < s.size() && is_digit(static_cast<Byte>(s[i]))) ++i;
  return i;
}

// The power of ten of a number's first significant digit, plus one: 3 for
// "123", 0 for "0.5", -2 for "0.005e0"; what matters here is only its sign.
long long decimal_magnitude(std::string_view number) {
  long long digits_before_point = 0, leading_zeros = 0;
  bool seen_point = false, significant = false;
  std::size_t i = 0;
  for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
    if (number[i] == '.') {
      seen_point = true;
    } else if (!significant && number[i] == '0') {
      if (seen_point) ++leading_zeros;
    } else {
      significant = true;
      if (!seen_point) ++digits_before_point;
    }
  }
  long long exponent = 0;
  if (i < number.size()) {
    std::size_t k = i + 1;
    const bool negative = k < number.size() && number[k] == '-';
    if (k < number.size() && (number[k] == '+' || number[k] == '-')) ++k;
    for (; k < number.size(); ++k) exponent = std::min<long long>(exponent * 10 + (number[k] - '0'), 1'000'000'000);
    if (negative) exponent = -exponent;
  }
  return exponent + (digits_before_point > 0 ? digits_before_point : -leading_zeros);
}

}  // namespace

Text half_width(std::string_view text) {
  Text out;
  out.reserve(text.size());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const Byte lead = static_cast<Byte>(text[i]);
    if (lead < 0x80) {
      out.push_back(static_cast<char>(lead));
      ++i;
      continue;
    }
    if (i + 1 == n) break;  // a broken character at the end ends the walk
    const Byte trail = static_cast<Byte>(text[i + 1]);
    if (lead == 0xA1 && trail == 0xA1) {
      out.push_back(' ');
    } else if (lead == 0xA1 && trail == 0xAB) {
      out.push_back('~');
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      out.push_back('*');
    } else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out.push_back(static_cast<char>(trail & 0x7F));
    } else {
      out.push_back(static_cast<char>(lead));
      out.push_back(static_cast<char>(trail));
    }
    i += 2;
  }
  return out;
}

// Beyond the 32-bit range the value saturates, as the C library's reader does.
int to_int(std::string_view text) {
  const Text s = half_width(text);
  std::size_t i = 0;
  const bool negative = skip_space_and_sign(s, i);
  long long value = 0;
  for (; i < s.size() && is_digit(static_cast<Byte>(s[i])); ++i) {
    value = value * 10 + (s[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

int to_int(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483648.0) return INT_MAX;
  if (value <= -2147483649.0) return INT_MIN;
  return static_cast<int>(value);  // truncates toward zero
}

double to_number(std::string_view text) {
  const Text s = half_width(text);
  std::size_t i = 0;
  const bool negative = skip_space_and_sign(s, i);
  const std::size_t begin = i;
  std::size_t end = skip_digits(s, i);
  std::size_t digits = end - begin;
  if (end < s.size() && s[end] == '.') {
    const std::size_t fraction_end = skip_digits(s, end + 1);
    digits += fraction_end - end - 1;
    end = fraction_end;
  }
  if (digits == 0) return 0.0;
  if (end < s.size() && (s[end] == 'e' || s[end] == 'E')) {
    std::size_t e = end + 1;
    if (e < s.size() && (s[e] == '+' || s[e] == '-')) ++e;
    const std::size_t exponent_end = skip_digits(s, e);
    if (exponent_end > e) end = exponent_end;
  }
  // from_chars reads independently of the process locale (the window
  // toolkit may set one with a decimal comma).
  double value = 0.0;
  const auto [ptr, ec] = std::from_chars(s.data() + begin, s.data() + end, value,
                                         std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: infinity or zero, as strtod gives.
    value = decimal_magnitude(std::string_view(s).substr(begin, end - begin)) > 0
                ? std::numeric_limits<double>::infinity()
                : 0.0;
  }
  (void)ptr;
  return negative ? -value : value;
}

Text to_text(int value) {
  char buffer[16];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;
  return Text(buffer, end);
}

Text to_text(double value) {
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 13);
  (void)ec;
  return Text(buffer, end);
}

Text to_text(bool value) {
  static const Text yes = gbk("真");
  static const Text no = gbk("假");
  return value ? yes : no;
}

Text to_text(const Bytes& bytes) {
  const std::string_view view = bytes.view();
  return Text(view.substr(0, view.find('\0')));
}

Text to_text(std::string_view text) { return Text(text); }

Text to_text(const DateTime& value) {
  static const Text year = gbk("年"), month = gbk("月"), day = gbk("日");
  static const Text hour = gbk("时"), minute = gbk("分"), second = gbk("秒");
  Text out = to_text(value.year) + year + to_text(value.month) + month + to_text(value.day) + day;
  if (value.second != 0) {
    out += to_text(value.hour) + hour + to_text(value.minute) + minute + to_text(value.second) + second;
  } else if (value.minute != 0) {
    out += to_text(value.hour) + hour + to_text(value.minute) + minute;
  } else if (value.hour != 0) {
    out += to_text(value.hour) + hour;
  }
  return out;
}

Text bytes_to_value(const Bytes& bytes, ValueType type) {
  if (type != ValueType::text) {
    static const Text message = gbk("“欲取出数据的类型”参数值无效");
    report_runtime_error(5, message);
  }
  return to_text(bytes);
}

}  // namespace lv::base
