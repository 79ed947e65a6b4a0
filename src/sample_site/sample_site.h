#pragma once
// The bundled sample site: every page of the one category, generated from a
// seed. Pure content: no networking here (sample_server.h serves it).
//
// Pages are GBK with CR LF line ends, shaped like the site family the parsers
// were written for. Every absolute link names the host the request came to.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lv::site {

struct SiteOptions {
  std::uint32_t seed = 20181205;
  int listing_pages = 146;
  int rows_per_page = 30;      // the last listing page holds fewer
};

// One row of a listing page (all texts GBK).
struct BookSummary {
  int book_id = 0;
  std::string path;            // "/book/12/12345/"
  std::string title;           // the book's name
  std::string author;
  std::string latest_title;    // the last chapter's title as the row shows it
  std::string latest_path;     // "/book/12/12345/1234567.html"
};

// One chapter link of a book page (GBK).
struct ChapterLink {
  std::string address;         // relative: "1234567.html"
  std::string title;           // as the link's title attribute gives it
};

enum class CoverKind {
  picture,       // its own JPEG at /files/article/image/...
  missing,       // the address is on the page, the file answers 404
  placeholder,   // the page names the site's placeholder cover
};

class SampleSite final {
 public:
  struct Response {
    int status = 200;
    std::string content_type;  // "text/html; charset=gbk", "image/jpeg", ...
    std::string body;          // GBK bytes for pages
  };

  explicit SampleSite(SiteOptions options = {});

  const SiteOptions& options() const { return options_; }

  // The page at `path` (query ignored) as a client that asked `host` sees it;
  // nullopt for an address the site does not have (the server answers 404).
  std::optional<Response> get(std::string_view path, std::string_view host) const;

  // --- what the pages hold, for tests and tools -----------------------------
  int listing_page_count() const { return options_.listing_pages; }
  int total_books() const;
  // Books on listing page `page` (1-based), 0 outside 1..count. Above them
  // every page repeats one pinned book in a row of the same shape: the extra
  // first entry of each listing cut, which the collection drops.
  int books_on_listing_page(int page) const;
  // Book `row` (0-based, pinned row not counted) of listing page `page`: the
  // row-th book a collection of that page keeps.
  BookSummary book(int page, int row) const;
  BookSummary pinned_book() const;
  std::vector<int> book_ids() const;                   // listing order
  bool has_book(int book_id) const;
  BookSummary book_by_id(int book_id) const;           // book_id must exist
  static std::string book_path(int book_id);           // "/book/12/12345/"

  int chapter_count(int book_id) const;                // 0 for an unknown book
  std::vector<ChapterLink> chapters(int book_id) const;
  std::string chapter_path(int book_id, int index) const;  // 0-based index
  bool has_prologue(int book_id) const;                // first link not "第..."
  // Some link does not name a numbered chapter: a prologue, an author's note
  // or an afterword.
  bool has_unnumbered_chapters(int book_id) const;
  CoverKind cover_kind(int book_id) const;
  std::string cover_path(int book_id) const;           // what the page names
  bool cover_alt_differs(int book_id) const;           // alt text != name

  // Deterministic picks, the first such book in listing order.
  int find_long_book(int min_chapters = 1000) const;   // 0 if none
  int find_book_with_prologue() const;                 // 0 if none
  // A prologue, an author's note and an afterword, at most that many chapters; 0 if none.
  int find_book_with_every_unnumbered_kind(int max_chapters = 400) const;
  int find_book_with_cover(CoverKind kind) const;      // 0 if none
  int find_book_with_differing_alt() const;            // 0 if none

  static constexpr std::string_view kPlaceholderCoverPath =
      "/modules/article/images/nocover.jpg";

 private:
  SiteOptions options_;
};

}  // namespace lv::site
