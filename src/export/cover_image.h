#pragma once
// The cover as an EPUB can carry it. Readers show JPEG, PNG and GIF, which
// are decoded in full to make sure they open and then carried as they are;
// PCX and BMP covers are converted to PNG. Anything else, and any picture
// that does not decode, is left out, and the book has no cover.
#include <optional>
#include <string>

#include "base/text.h"

namespace lv::exporting {

struct EpubCover {
  std::string media_type;  // "image/png"
  std::string extension;   // "png"
  std::string bytes;
};

// Why the site's cover is not in the book.
enum class CoverProblem {
  none,            // there is a cover, or the site gave none
  not_a_picture,   // an error page, or bytes of no picture format
  unsupported,     // an icon or a cursor, which readers do not show
  too_large,       // its header claims more pixels than a cover has
  damaged,         // cut short, or broken in its header or its data
};

struct CoverOutcome {
  std::optional<EpubCover> cover;
  CoverProblem problem = CoverProblem::none;
};

CoverOutcome epub_cover(const lv::base::Bytes& cover);

// "it is not a picture (an error page or unknown bytes)", ...
std::string english(CoverProblem problem);
// "网站发来的不是图片（错误页面或无法识别的数据）", ... (UTF-8)
std::string chinese(CoverProblem problem);

}  // namespace lv::exporting
