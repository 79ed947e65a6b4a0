#include "export/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "export/book_export.h"

namespace lv::exporting {
namespace {

std::string cause(int error) { return std::error_code(error, std::generic_category()).message(); }

// A name beside the target that no other writer uses: "wbx" creates the file
// only when it does not exist yet, so two exports to one target never share it.
std::FILE* create_beside(const std::string& path, std::string& temp) {
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
    temp = path + suffix + ".part";
    if (std::FILE* file = std::fopen(temp.c_str(), "wbx")) return file;
    if (errno != EEXIST) break;
  }
  throw ExportError("cannot create " + temp + ": " + cause(errno));
}

bool flush_to_disk(std::FILE* file) {
  if (std::fflush(file) != 0) return false;
#ifndef _WIN32
  if (fsync(fileno(file)) != 0) return false;
#endif
  return true;
}

}  // namespace

void replace_file(const std::string& path, std::string_view bytes) {
  std::string temp;
  std::FILE* file = create_beside(path, temp);
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                       flush_to_disk(file);
  const int write_error = errno;
  const bool closed = std::fclose(file) == 0;
  std::error_code ignored;
  if (!written || !closed) {
    const int error = written ? errno : write_error;
    std::filesystem::remove(temp, ignored);
    throw ExportError("cannot write " + temp + ": " + cause(error));
  }
  std::error_code renamed;
  std::filesystem::rename(temp, path, renamed);
  if (renamed) {
    std::filesystem::remove(temp, ignored);
    throw ExportError("cannot replace " + path + ": " + renamed.message());
  }
}

}  // namespace lv::exporting
