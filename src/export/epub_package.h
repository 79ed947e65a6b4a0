#pragma once
// The files of an EPUB 3 book made from a stored book, in archive order:
// "mimetype" first (stored, as readers look for it at a fixed place), the
// container, the package document, the two tables of contents, the cover and
// its page when there is a usable cover, and one XHTML file per chapter.
#include <string>
#include <vector>

#include "library/library.h"

namespace lv::exporting {

struct PackageEntry {
  std::string name;
  std::string data;
  bool compress = true;
};

// Throws NoChaptersError for a book without chapters, ExportError for one
// whose stored chapters came without their texts.
std::vector<PackageEntry> epub_entries(const lv::library::StoredBook& book);

}  // namespace lv::exporting
