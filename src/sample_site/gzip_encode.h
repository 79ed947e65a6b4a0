#pragma once
// gzip members for the server's "Content-Encoding: gzip" switch.
#include <string>
#include <string_view>

namespace lv::site {

// One complete gzip member holding `data`; "" only if zlib fails.
std::string gzip_encode(std::string_view data);

}  // namespace lv::site
