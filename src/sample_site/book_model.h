#pragma once
// One generated book: everything its pages show, derived from the seed and
// the book's place in the listing. Cheap to build; nothing is cached.
#include <cstdint>
#include <string>
#include <vector>

#include "sample_site/sample_site.h"

namespace lv::site {

struct TextStyle {
  bool ideographic_indent = false;  // two full-width spaces instead of four &nbsp;
  bool line_breaks = false;         // every <br /> followed by CR LF
  bool title_first_line = false;    // the chapter title repeated as the first paragraph
};

struct BookModel {
  std::uint64_t hash = 0;
  int index = 0;            // place in the listing, 0-based over all pages
  int id = 0;
  std::string name;         // GBK
  std::string author;
  std::string hero;         // the protagonist's name
  bool finished = false;
  int chapter_count = 0;
  int first_chapter_id = 0;
  int gap_period = 0;       // a chapter number is skipped after every gap_period chapters
  bool prologue = false;    // entry 0 is a prologue, not "第..."
  std::vector<int> notes;   // entries that are author's notes, ascending
  bool afterword = false;   // the last entry is an afterword (finished books only)
  bool arabic_numbers = false;
  bool entity_titles = false;
  TextStyle style;
  CoverKind cover = CoverKind::picture;
  bool alt_differs = false;
  int days_back = 0;        // last update, days before the site's date
};

int total_books(const SiteOptions& options);
int rows_on_page(const SiteOptions& options, int page);
// The book at listing index `index` (0 <= index < total_books).
BookModel make_book(const SiteOptions& options, int index);
// The listing index of a book id, or -1.
int index_of_book_id(const SiteOptions& options, int book_id);

std::string chapter_title(const BookModel& book, int i);
int chapter_id(const BookModel& book, int i);
int chapter_index_of(const BookModel& book, int id);  // -1 if not this book's
std::string chinese_number(int n);                     // 1..99999, GBK
std::string book_path_of(int book_id);
std::string cover_file_path(int book_id);

}  // namespace lv::site
