#pragma once
// The cover as an EPUB can carry it. Readers show JPEG, PNG and GIF; PCX and
// BMP covers are converted to PNG. Icons, cursors, empty or unknown bytes and
// pictures that do not decode are left out, and the book has no cover.
#include <optional>
#include <string>

#include "base/text.h"

namespace lv::exporting {

struct EpubCover {
  std::string media_type;  // "image/png"
  std::string extension;   // "png"
  std::string bytes;
};

std::optional<EpubCover> epub_cover(const lv::base::Bytes& cover);

}  // namespace lv::exporting
