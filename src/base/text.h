#pragma once
// GBK texts and byte sets with byte-exact semantics.
//
// A Text is a std::string of GBK bytes. Positions are 1-based byte positions,
// lengths count bytes, and a search that finds nothing gives -1. A byte 0x80
// or above is a lead byte that forms one character with the byte after it;
// that is the only GBK knowledge these operations use. An omitted optional
// argument takes the stated default, which is not always what 0 would give.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lv::base {

using Text = std::string;

// A counted array of bytes that may hold zero bytes (pictures, raw bodies).
// Kept distinct from Text so the compiler tells the two apart.
class Bytes final {
 public:
  Bytes() = default;
  explicit Bytes(std::vector<std::uint8_t> data) : data_(std::move(data)) {}
  Bytes(const void* data, std::size_t size);
  static Bytes from_string(std::string_view s) { return Bytes(s.data(), s.size()); }

  std::size_t size() const { return data_.size(); }
  bool empty() const { return data_.empty(); }
  const std::uint8_t* data() const { return data_.data(); }
  std::uint8_t* data() { return data_.data(); }
  std::vector<std::uint8_t>& vector() { return data_; }
  const std::vector<std::uint8_t>& vector() const { return data_; }
  std::string_view view() const {
    return {reinterpret_cast<const char*>(data_.data()), data_.size()};
  }
  void append(const void* data, std::size_t size);
  void append(const Bytes& other) { append(other.data(), other.size()); }

  friend bool operator==(const Bytes&, const Bytes&) = default;

 private:
  std::vector<std::uint8_t> data_;
};

Bytes operator+(const Bytes& a, const Bytes& b);

// --- texts ---------------------------------------------------------------
int text_length(std::string_view text);
Text text_left(std::string_view text, int count);
Text text_right(std::string_view text, int count);
Text text_middle(std::string_view text, int start, int count);

// Forward search from `start` (omitted: 1; below 1 counts as 1). A match
// begins only on a character boundary counted from the start position.
int find_text(std::string_view text, std::string_view sought,
              std::optional<int> start = std::nullopt, bool case_insensitive = false);

Text replace_range(std::string_view text, int start, int length,
                   std::optional<std::string_view> replacement = std::nullopt);

// Note the default: case is ignored unless case_sensitive is true. An omitted
// count is unlimited; a count of 0 replaces nothing.
Text replace_text(std::string_view text, std::string_view sought,
                  std::string_view replacement = {}, std::optional<int> start = std::nullopt,
                  std::optional<int> count = std::nullopt, bool case_sensitive = false);

// Removes leading and trailing spaces (0x20) and full-width spaces (A1 A1).
Text trim_both(std::string_view text);
Text to_upper(std::string_view text);
Text to_lower(std::string_view text);
Text make_spaces(int count);
int compare_text(std::string_view a, std::string_view b, bool case_sensitive);

// --- byte sets -----------------------------------------------------------
int bytes_length(const Bytes& bytes);
Bytes bytes_left(const Bytes& bytes, int count);
Bytes make_zero_bytes(int count);
Bytes to_bytes(const Bytes& bytes);

}  // namespace lv::base
