#include "sample_site/gzip_encode.h"

#include <zlib.h>

namespace lv::site {

std::string gzip_encode(std::string_view data) {
  z_stream zs{};
  // window bits 15 + 16: a gzip header and trailer around the deflate data
  if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    return {};
  }
  std::string out;
  out.resize(deflateBound(&zs, static_cast<uLong>(data.size())) + 32);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&zs, Z_FINISH);
  const auto produced = zs.total_out;
  deflateEnd(&zs);
  if (rc != Z_STREAM_END) return {};
  out.resize(produced);
  return out;
}

}  // namespace lv::site
