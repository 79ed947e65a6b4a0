#include "export/atomic_file.h"
#include "export/book_export.h"
#include "export/epub_package.h"
#include "export/zip_writer.h"

namespace lv::exporting {

void write_epub(const lv::library::StoredBook& book, const std::string& path) {
  ZipWriter zip(book.updated_at);
  for (PackageEntry& entry : epub_entries(book)) {
    zip.add(entry.name, std::move(entry.data), entry.compress);
  }
  replace_file(path, zip.finish());
}

}  // namespace lv::exporting
