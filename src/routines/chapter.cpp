#include "routines/chapter.h"

#include "net/download.h"
#include "routines/rules_in_force.h"
#include "scrape/chapter_text.h"

namespace lv::routines {

Text load_chapter_text(std::string_view book_address, std::string_view chapter_address,
                       lv::net::TransferOutcome* outcome, std::stop_token stop) {
  lv::net::DownloadRequest request;
  request.stop = std::move(stop);
  request.url = Text(book_address);
  request.url += chapter_address;
  request.outcome_out = outcome;
  // The page is handed over and cut down in place.
  return lv::scrape::parse_chapter_text(lv::net::download_text(request), rules_in_force()->chapter_text);
}

Text chapter_view_content(std::string_view chapter_title, std::string_view text) {
  Text content(chapter_title);
  content += "\r\n\r\n";
  content += text;
  return content;
}

Text chapter_caption(std::string_view book_title, std::string_view chapter_title) {
  Text caption(book_title);
  caption += "  ";
  caption += chapter_title;
  return caption;
}

}  // namespace lv::routines
