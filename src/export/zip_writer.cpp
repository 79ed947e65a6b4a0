#include "export/zip_writer.h"

#include <zip.h>

#include <algorithm>

#include "export/book_export.h"
#include "export/utc_time.h"

namespace lv::exporting {
namespace {

std::string error_text(zip_error_t* error) { return zip_error_strerror(error); }

}  // namespace

ZipWriter::ZipWriter(std::int64_t time) {
  UtcTime t = utc_time(time);
  if (t.year < 1980) t = {1980, 1, 1, 0, 0, 0};
  if (t.year > 2107) t = {2107, 12, 31, 23, 59, 58};
  // MS-DOS fields: seconds halved; years counted from 1980.
  dos_time_ = static_cast<std::uint16_t>(t.hour << 11 | t.minute << 5 | t.second / 2);
  dos_date_ = static_cast<std::uint16_t>((t.year - 1980) << 9 | t.month << 5 | t.day);

  zip_error_t error;
  zip_error_init(&error);
  buffer_ = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (buffer_ == nullptr) {
    const std::string why = error_text(&error);
    zip_error_fini(&error);
    throw ExportError("cannot start a zip archive: " + why);
  }
  archive_ = zip_open_from_source(buffer_, ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (archive_ == nullptr) {
    const std::string why = error_text(&error);
    zip_error_fini(&error);
    zip_source_free(buffer_);
    throw ExportError("cannot start a zip archive: " + why);
  }
  zip_error_fini(&error);
  zip_source_keep(buffer_);  // the archive frees its reference on close; ours stays for reading
}

ZipWriter::~ZipWriter() {
  if (archive_ != nullptr) zip_discard(archive_);
  zip_source_free(buffer_);
}

void ZipWriter::fail(const std::string& what) {
  throw ExportError("zip archive: " + what + ": " + zip_strerror(archive_));
}

void ZipWriter::add(const std::string& name, std::string data, bool compress) {
  const std::string& kept = data_.emplace_back(std::move(data));
  zip_source_t* source = zip_source_buffer(archive_, kept.data(), kept.size(), 0);
  if (source == nullptr) fail("cannot add " + name);
  const zip_int64_t index = zip_file_add(archive_, name.c_str(), source, 0);
  if (index < 0) {
    zip_source_free(source);
    fail("cannot add " + name);
  }
  const auto at = static_cast<zip_uint64_t>(index);
  if (zip_set_file_compression(archive_, at, compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE, 0) != 0 ||
      zip_file_set_dostime(archive_, at, dos_time_, dos_date_, 0) != 0) {
    fail("cannot set up " + name);
  }
}

std::string ZipWriter::finish() {
  if (zip_close(archive_) != 0) fail("cannot write");
  archive_ = nullptr;

  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_source_stat(buffer_, &stat) != 0 || zip_source_open(buffer_) != 0) {
    throw ExportError("zip archive: cannot read back what was written");
  }
  std::string bytes(static_cast<std::size_t>(stat.size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const zip_int64_t read = zip_source_read(buffer_, bytes.data() + done, bytes.size() - done);
    if (read <= 0) break;
    done += static_cast<std::size_t>(read);
  }
  zip_source_close(buffer_);
  if (done != bytes.size()) {
    throw ExportError("zip archive: cannot read back what was written");
  }
  data_.clear();
  return bytes;
}

}  // namespace lv::exporting
