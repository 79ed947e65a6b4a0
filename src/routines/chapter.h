#pragma once
// Loading one chapter and what the reader shows of it.
#include <stop_token>

#include "base/text.h"
#include "net/transfer_outcome.h"

namespace lv::routines {

using lv::base::Text;

// The chapter page is the book address followed directly by the chapter
// address. `outcome`, when given, receives how the transfer ended.
// `stop` ends the transfer early.
Text load_chapter_text(std::string_view book_address, std::string_view chapter_address,
                       lv::net::TransferOutcome* outcome = nullptr, std::stop_token stop = {});

// What the text view shows: title, CR LF CR LF, then the text.
Text chapter_view_content(std::string_view chapter_title, std::string_view text);
// The title menu item's caption: book title, two spaces, chapter title.
Text chapter_caption(std::string_view book_title, std::string_view chapter_title);

}  // namespace lv::routines
