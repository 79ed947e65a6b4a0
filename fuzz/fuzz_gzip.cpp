// The gzip and deflate decoders on arbitrary bodies: no fault, output within
// the limit, and non-gzip input passed through unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/gzip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  constexpr std::size_t kLimit = 1u << 20;
  const std::string out = lv::net::gzip_decode(input, kLimit);
  if (out.size() > kLimit) std::abort();
  const bool gzip = size >= 2 && data[0] == 0x1F && data[1] == 0x8B;
  if (!gzip && size <= kLimit && out != input) std::abort();
  if (lv::net::deflate_decode(input, kLimit).size() > kLimit) std::abort();
  return 0;
}
