#include "export/atomic_file.h"
#include "export/book_export.h"
#include "export/epub_package.h"
#include "export/zip_writer.h"

namespace lv::exporting {

// The archive's dates are the book's last change of content, like the
// package's modification date, so an unchanged book gives the same bytes.
ExportReport write_epub(const lv::library::StoredBook& book, const std::string& path, ChineseScript script) {
  EpubPackage package = epub_package(book, script);
  ZipWriter zip(book.updated_at);
  for (PackageEntry& entry : package.entries) {
    zip.add(entry.name, std::move(entry.data), entry.compress);
  }
  replace_file(path, zip.finish());
  return {package.cover_problem, 0};
}

}  // namespace lv::exporting
