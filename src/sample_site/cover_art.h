#pragma once
// Cover pictures: small generated landscapes, one per book, and the site's
// grey placeholder.
#include <cstdint>
#include <string>

namespace lv::site {

inline constexpr int kCoverWidth = 120;
inline constexpr int kCoverHeight = 150;

std::string cover_jpeg(std::uint64_t book_hash);  // JPEG bytes
std::string placeholder_cover_jpeg();

}  // namespace lv::site
