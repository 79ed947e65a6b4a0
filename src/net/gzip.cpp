#include "net/gzip.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

namespace lv::net {
namespace {

constexpr unsigned char kMagic1 = 0x1F;
constexpr unsigned char kMagic2 = 0x8B;
constexpr unsigned char kMethodDeflate = 8;
constexpr unsigned char kFlagHeaderCrc = 0x02;
constexpr unsigned char kFlagExtra = 0x04;
constexpr unsigned char kFlagName = 0x08;
constexpr unsigned char kFlagComment = 0x10;
constexpr unsigned char kFlagsReserved = 0xE0;
// Time (4), extra flags (1) and operating system (1) after the flag byte.
constexpr std::size_t kFixedAfterFlags = 6;
constexpr std::size_t kFixedHeader = 4 + kFixedAfterFlags;
constexpr std::size_t kOutChunk = 64 * 1024;

unsigned char byte_at(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

bool starts_with_magic(std::string_view s, std::size_t pos) {
  return s.size() >= pos + 2 && byte_at(s, pos) == kMagic1 && byte_at(s, pos + 1) == kMagic2;
}

// Skips a gzip member header starting at `pos`; false when it is malformed or cut short.
bool skip_header(std::string_view in, std::size_t& pos) {
  if (in.size() - pos < kFixedHeader) return false;
  if (byte_at(in, pos + 2) != kMethodDeflate) return false;
  const unsigned char flags = byte_at(in, pos + 3);
  if (flags & kFlagsReserved) return false;
  std::size_t p = pos + kFixedHeader;
  if (flags & kFlagExtra) {
    if (in.size() - p < 2) return false;
    const std::size_t extra = byte_at(in, p) | (std::size_t{byte_at(in, p + 1)} << 8);
    p += 2;
    if (in.size() - p < extra) return false;
    p += extra;
  }
  for (unsigned char zero_ended : {kFlagName, kFlagComment}) {
    if (!(flags & zero_ended)) continue;
    const std::size_t end = in.find('\0', p);
    if (end == std::string_view::npos) return false;
    p = end + 1;
  }
  if (flags & kFlagHeaderCrc) {
    if (in.size() - p < 2) return false;
    p += 2;
  }
  pos = p;
  return true;
}

std::uint32_t read_le32(std::string_view s, std::size_t pos) {
  return static_cast<std::uint32_t>(byte_at(s, pos)) |
         (static_cast<std::uint32_t>(byte_at(s, pos + 1)) << 8) |
         (static_cast<std::uint32_t>(byte_at(s, pos + 2)) << 16) |
         (static_cast<std::uint32_t>(byte_at(s, pos + 3)) << 24);
}

// Owns one inflate stream.
class Inflater final {
 public:
  explicit Inflater(int window_bits) { ok_ = inflateInit2(&z_, window_bits) == Z_OK; }
  ~Inflater() {
    if (ok_) inflateEnd(&z_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  bool ok() const { return ok_; }
  z_stream& stream() { return z_; }

 private:
  z_stream z_{};
  bool ok_ = false;
};

enum class InflateEnd { stream_end, data_error, input_short, output_full };

// Inflates from `in` at `pos` into `out` until the stream ends, fails, the
// input runs out or `out` reaches `max_output`. Advances `pos` by what was
// consumed and keeps the CRC-32 of what was produced in `crc`.
InflateEnd inflate_into(Inflater& inflater, std::string_view in, std::size_t& pos, std::string& out,
                        std::size_t max_output, uLong& crc) {
  z_stream& z = inflater.stream();
  std::array<unsigned char, kOutChunk> chunk;
  for (;;) {
    const std::size_t room = max_output - out.size();
    if (room == 0) return InflateEnd::output_full;
    const std::size_t in_left = in.size() - pos;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data() + pos));
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(in_left, UINT_MAX));
    z.next_out = chunk.data();
    z.avail_out = static_cast<uInt>(std::min(room, chunk.size()));
    const uInt in_before = z.avail_in;
    const uInt out_before = z.avail_out;
    const int rc = inflate(&z, Z_NO_FLUSH);
    pos += in_before - z.avail_in;
    const std::size_t produced = out_before - z.avail_out;
    if (produced > 0) {
      crc = crc32(crc, chunk.data(), static_cast<uInt>(produced));
      out.append(reinterpret_cast<const char*>(chunk.data()), produced);
    }
    if (rc == Z_STREAM_END) return InflateEnd::stream_end;
    if (rc == Z_OK) continue;
    if (rc == Z_BUF_ERROR) {
      // No progress possible: either the input ran out or the output is full.
      if (out.size() >= max_output) return InflateEnd::output_full;
      if (pos >= in.size()) return InflateEnd::input_short;
      continue;
    }
    return InflateEnd::data_error;
  }
}

// Growing a large output step by step costs more than inflating it, so room
// is made once from the last member's length field. The field is only a hint:
// it is bounded by the output limit and by deflate's best ratio (1032:1).
void reserve_for(std::string& out, std::string_view in, std::size_t max_output) {
  if (in.size() < kFixedHeader + 8) return;
  constexpr std::size_t kBestRatio = 1032;
  const std::size_t hint = read_le32(in, in.size() - 4);
  out.reserve(std::min({hint, max_output, in.size() * kBestRatio}));
}

}  // namespace

std::string gzip_decode(std::string_view input, std::size_t max_output) {
  if (!starts_with_magic(input, 0)) {
    return std::string(input.substr(0, std::min(input.size(), max_output)));
  }
  std::string out;
  Inflater inflater(-MAX_WBITS);
  if (!inflater.ok()) return out;
  reserve_for(out, input, max_output);
  std::size_t pos = 0;
  for (;;) {
    if (!skip_header(input, pos)) return out;
    uLong crc = crc32(0L, Z_NULL, 0);
    const InflateEnd end = inflate_into(inflater, input, pos, out, max_output, crc);
    if (end != InflateEnd::stream_end) return out;
    if (input.size() - pos < 4 || read_le32(input, pos) != static_cast<std::uint32_t>(crc)) return out;
    pos += 4;
    // The member's length modulo 2^32 is not checked; the CRC already was.
    if (input.size() - pos < 4) return out;
    pos += 4;
    if (pos == input.size()) return out;
    if (!starts_with_magic(input, pos)) {
      const std::size_t room = max_output - out.size();
      out.append(input.substr(pos, std::min(room, input.size() - pos)));
      return out;
    }
    inflateReset(&inflater.stream());
  }
}

std::string deflate_decode(std::string_view input, std::size_t max_output) {
  if (starts_with_magic(input, 0)) return gzip_decode(input, max_output);
  // A zlib header: compression method 8 and a header check divisible by 31.
  const bool zlib_wrapped = input.size() >= 2 && (byte_at(input, 0) & 0x0F) == kMethodDeflate &&
                            ((byte_at(input, 0) << 8) | byte_at(input, 1)) % 31 == 0;
  Inflater inflater(zlib_wrapped ? MAX_WBITS : -MAX_WBITS);
  std::string out;
  if (!inflater.ok()) return out;
  std::size_t pos = 0;
  uLong crc = crc32(0L, Z_NULL, 0);
  const InflateEnd end = inflate_into(inflater, input, pos, out, max_output, crc);
  if (out.empty() && end == InflateEnd::data_error) {
    return std::string(input.substr(0, std::min(input.size(), max_output)));
  }
  return out;
}

}  // namespace lv::net
