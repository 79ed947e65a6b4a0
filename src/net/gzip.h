#pragma once
// The gzip decoder of downloaded bodies: members in sequence, CRC-32 checked,
// bytes after a member that are not another member appended as they are, and
// on a data error the output produced so far.
#include <cstddef>
#include <string>
#include <string_view>

namespace lv::net {

std::string gzip_decode(std::string_view input, std::size_t max_output = 64u << 20);

// A body sent as "deflate": gzip data goes through gzip_decode; otherwise a
// zlib stream (or, when the zlib header does not check, a raw deflate stream)
// is inflated. Input that is no deflate data at all comes back unchanged; on
// a data error after some output, the output produced so far.
std::string deflate_decode(std::string_view input, std::size_t max_output = 64u << 20);

}  // namespace lv::net
