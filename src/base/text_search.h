#pragma once
// The search engine behind find_text and replace_text. A match counts only
// where it begins on a character boundary of the walk that starts at `from`
// (a byte of 0x80 or above takes the byte after it along).
#include <cstddef>
#include <string_view>

namespace lv::base::detail {

inline constexpr std::size_t npos = static_cast<std::size_t>(-1);

// First match of `sought` (non-empty) at or after `from` (< text.size())
// that lies on a boundary counted from `from`; npos when none.
std::size_t search(std::string_view text, std::string_view sought, std::size_t from,
                   bool fold_case);

// Whether `pos` is a character boundary of the walk that starts at `from`.
bool on_boundary(std::string_view text, std::size_t from, std::size_t pos);

// The part of `text` that trim_both keeps, without copying it.
std::string_view trim_view(std::string_view text);

}  // namespace lv::base::detail
