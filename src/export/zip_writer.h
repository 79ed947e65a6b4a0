#pragma once
// A zip archive built in memory through libzip. Entries keep the order they
// are added in and all carry one fixed time stamp, so the same entries give
// the same bytes.
#include <cstdint>
#include <deque>
#include <string>

struct zip;
struct zip_source;

namespace lv::exporting {

class ZipWriter final {
 public:
  // `time` (seconds since 1970, UTC) stamps every entry; zip time stamps
  // hold only 1980 to 2107, so it is clamped to those years.
  explicit ZipWriter(std::int64_t time);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Stored as they are, or deflated. The writer keeps the bytes until finish().
  void add(const std::string& name, std::string data, bool compress);
  // Writes the archive and gives its bytes; the writer is done with then.
  std::string finish();

 private:
  [[noreturn]] void fail(const std::string& what);

  zip_source* buffer_ = nullptr;  // the archive's bytes
  zip* archive_ = nullptr;
  std::uint16_t dos_time_ = 0;
  std::uint16_t dos_date_ = 0;
  std::deque<std::string> data_;  // a deque: adding never moves what libzip points into
};

}  // namespace lv::exporting
