#pragma once
// Builds gzip and deflate data with zlib itself, so the decoder is checked
// against the reference encoder.
#include <zlib.h>

#include <stdexcept>
#include <string>
#include <string_view>

namespace lv::test {

struct GzipHeaderFields {
  std::string name;     // written with flag 0x08 when not empty
  std::string comment;  // flag 0x10
  std::string extra;    // flag 0x04
  bool header_crc = false;  // flag 0x02
};

// window_bits 31 makes a gzip member, 15 a zlib stream, -15 raw deflate.
inline std::string deflate_with(std::string_view data, int window_bits, const GzipHeaderFields* fields = nullptr) {
  z_stream z{};
  if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  gz_header header{};
  if (fields) {
    header.name = reinterpret_cast<Bytef*>(const_cast<char*>(fields->name.empty() ? nullptr : fields->name.c_str()));
    header.comment =
        reinterpret_cast<Bytef*>(const_cast<char*>(fields->comment.empty() ? nullptr : fields->comment.c_str()));
    if (!fields->extra.empty()) {
      header.extra = reinterpret_cast<Bytef*>(const_cast<char*>(fields->extra.data()));
      header.extra_len = static_cast<uInt>(fields->extra.size());
    }
    header.hcrc = fields->header_crc ? 1 : 0;
    deflateSetHeader(&z, &header);
  }
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 64 + (fields ? fields->extra.size() + fields->name.size() + fields->comment.size() : 0), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

inline std::string gzip(std::string_view data, const GzipHeaderFields* fields = nullptr) {
  return deflate_with(data, 31, fields);
}

}  // namespace lv::test
