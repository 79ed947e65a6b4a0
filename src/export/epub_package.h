#pragma once
// The files of an EPUB 3 book made from a stored book, in archive order:
// "mimetype" first (stored, as readers look for it at a fixed place), the
// container, the package document, the two tables of contents, the book's
// stylesheet, the cover and its page when there is a usable cover, the
// title page, and one XHTML file per chapter.
#include <string>
#include <vector>

#include "export/chinese_script.h"
#include "export/cover_image.h"
#include "library/library.h"

namespace lv::exporting {

struct PackageEntry {
  std::string name;
  std::string data;
  bool compress = true;
};

struct EpubPackage {
  std::vector<PackageEntry> entries;
  CoverProblem cover_problem = CoverProblem::none;  // why the site's cover is not among them
};

// Throws NoChaptersError for a book without chapters, ExportError for one
// whose stored chapters came without their texts or for a script whose
// tables are not installed.
EpubPackage epub_package(const lv::library::StoredBook& book, ChineseScript script = ChineseScript::as_written);

}  // namespace lv::exporting
