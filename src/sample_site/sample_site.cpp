#include "sample_site/sample_site.h"

#include <charconv>
#include <functional>

#include "sample_site/book_model.h"
#include "sample_site/cover_art.h"
#include "sample_site/pages.h"
#include "sample_site/word_tables.h"

namespace lv::site {
namespace {

constexpr std::string_view kHtml = "text/html; charset=gbk";

// A decimal number as the site writes it: digits only, no leading zero.
std::optional<int> parse_number(std::string_view s) {
  if (s.empty() || s.size() > 9 || (s.size() > 1 && s.front() == '0')) return std::nullopt;
  int value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

bool consume(std::string_view& s, std::string_view prefix) {
  if (s.substr(0, prefix.size()) != prefix) return false;
  s.remove_prefix(prefix.size());
  return true;
}

// Takes "N" + terminator off the front of s.
std::optional<int> take_number(std::string_view& s, std::string_view terminator) {
  const auto end = s.find(terminator);
  if (end == std::string_view::npos) return std::nullopt;
  const auto n = parse_number(s.substr(0, end));
  if (n) s.remove_prefix(end + terminator.size());
  return n;
}

// The Host header goes into every link; anything but a host name, an
// address and a port is left out, so a request cannot write markup into a page.
std::string clean_host(std::string_view host) {
  std::string out;
  for (char c : host) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-' || c == ':' || c == '[' || c == ']' || c == '_';
    if (ok) out += c;
  }
  return out.empty() ? std::string("localhost") : out;
}

SampleSite::Response html(std::string body) { return {200, std::string(kHtml), std::move(body)}; }

std::string home_page(std::string_view host) {
  const auto& w = word_tables();
  // a bare home page that leads to the category
  std::string out = "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
                    "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
                    "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n"
                    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />\r\n<title>";
  out += w.site_name;
  out += "</title>\r\n</head>\r\n<body><div id=\"wrapper\">\r\n<ul>\r\n<li><a href=\"http://";
  out += host;
  out += "/sort2/1.html\">";
  out += w.category;
  out += "</a></li>\r\n</ul>\r\n</div></body></html>\r\n";
  return out;
}

}  // namespace

SampleSite::SampleSite(SiteOptions options) : options_(options) {
  if (options_.listing_pages < 1) options_.listing_pages = 1;
  if (options_.rows_per_page < 2) options_.rows_per_page = 2;
  word_tables();  // convert the tables now rather than inside the first request
}

std::optional<SampleSite::Response> SampleSite::get(std::string_view path, std::string_view host) const {
  path = path.substr(0, path.find('?'));
  const std::string h = clean_host(host);
  std::string_view rest = path;
  if (path == "/" || path == "/index.html") return html(home_page(h));
  if (consume(rest, "/sort2/")) {
    const auto n = take_number(rest, ".html");
    if (!n || !rest.empty() || *n < 1 || *n > options_.listing_pages) return std::nullopt;
    return html(listing_page(options_, *n, h));
  }
  if (path == kPlaceholderCoverPath) {
    static const std::string picture = placeholder_cover_jpeg();
    return Response{200, "image/jpeg", picture};
  }
  if (consume(rest, "/files/article/image/")) {
    const auto shard = take_number(rest, "/");
    const auto id = take_number(rest, "/");
    if (!shard || !id || *shard != *id / 1000) return std::nullopt;
    if (rest != std::to_string(*id) + "s.jpg") return std::nullopt;
    const int index = index_of_book_id(options_, *id);
    if (index < 0) return std::nullopt;
    const BookModel b = make_book(options_, index);
    if (b.cover != CoverKind::picture) return std::nullopt;
    return Response{200, "image/jpeg", cover_jpeg(b.hash)};
  }
  if (consume(rest, "/book/")) {
    const auto shard = take_number(rest, "/");
    const auto id = take_number(rest, "/");
    if (!shard || !id || *shard != *id / 1000) return std::nullopt;
    const int index = index_of_book_id(options_, *id);
    if (index < 0) return std::nullopt;
    const BookModel b = make_book(options_, index);
    if (rest.empty() || rest == "index.html") return html(book_page(b, h));
    const auto chapter = take_number(rest, ".html");
    if (!chapter || !rest.empty()) return std::nullopt;
    const int i = chapter_index_of(b, *chapter);
    if (i < 0) return std::nullopt;
    return html(chapter_page(b, i, h));
  }
  return std::nullopt;
}

int SampleSite::total_books() const { return lv::site::total_books(options_); }

int SampleSite::books_on_listing_page(int page) const { return rows_on_page(options_, page); }

namespace {
BookSummary summary_of(const BookModel& b) {
  BookSummary s;
  s.book_id = b.id;
  s.path = book_path_of(b.id);
  s.title = b.name;
  s.author = b.author;
  s.latest_title = chapter_title(b, b.chapter_count - 1);
  s.latest_path = s.path + std::to_string(chapter_id(b, b.chapter_count - 1)) + ".html";
  return s;
}
}  // namespace

BookSummary SampleSite::book(int page, int row) const {
  if (row < 0 || row >= rows_on_page(options_, page)) return {};
  return summary_of(make_book(options_, (page - 1) * options_.rows_per_page + row));
}

BookSummary SampleSite::pinned_book() const { return summary_of(make_book(options_, pinned_book_index(options_))); }

std::vector<int> SampleSite::book_ids() const {
  std::vector<int> ids;
  const int total = total_books();
  ids.reserve(static_cast<std::size_t>(total));
  for (int i = 0; i < total; ++i) ids.push_back(make_book(options_, i).id);
  return ids;
}

bool SampleSite::has_book(int book_id) const { return index_of_book_id(options_, book_id) >= 0; }

BookSummary SampleSite::book_by_id(int book_id) const {
  const int index = index_of_book_id(options_, book_id);
  return index < 0 ? BookSummary{} : summary_of(make_book(options_, index));
}

std::string SampleSite::book_path(int book_id) { return book_path_of(book_id); }

int SampleSite::chapter_count(int book_id) const {
  const int index = index_of_book_id(options_, book_id);
  return index < 0 ? 0 : make_book(options_, index).chapter_count;
}

std::vector<ChapterLink> SampleSite::chapters(int book_id) const {
  std::vector<ChapterLink> out;
  const int index = index_of_book_id(options_, book_id);
  if (index < 0) return out;
  const BookModel b = make_book(options_, index);
  out.reserve(static_cast<std::size_t>(b.chapter_count));
  for (int i = 0; i < b.chapter_count; ++i) {
    out.push_back({std::to_string(chapter_id(b, i)) + ".html", chapter_title(b, i)});
  }
  return out;
}

std::string SampleSite::chapter_path(int book_id, int index) const {
  const int book_index = index_of_book_id(options_, book_id);
  if (book_index < 0) return {};
  const BookModel b = make_book(options_, book_index);
  if (index < 0 || index >= b.chapter_count) return {};
  return book_path_of(book_id) + std::to_string(chapter_id(b, index)) + ".html";
}

bool SampleSite::has_prologue(int book_id) const {
  const int index = index_of_book_id(options_, book_id);
  return index >= 0 && make_book(options_, index).prologue;
}

bool SampleSite::has_unnumbered_chapters(int book_id) const {
  const int index = index_of_book_id(options_, book_id);
  if (index < 0) return false;
  const BookModel b = make_book(options_, index);
  return b.prologue || !b.notes.empty() || b.afterword;
}

CoverKind SampleSite::cover_kind(int book_id) const {
  const int index = index_of_book_id(options_, book_id);
  return index < 0 ? CoverKind::missing : make_book(options_, index).cover;
}

std::string SampleSite::cover_path(int book_id) const {
  return cover_kind(book_id) == CoverKind::placeholder ? std::string(kPlaceholderCoverPath)
                                                       : cover_file_path(book_id);
}

bool SampleSite::cover_alt_differs(int book_id) const {
  const int index = index_of_book_id(options_, book_id);
  return index >= 0 && make_book(options_, index).alt_differs;
}

namespace {
// The first book in listing order that satisfies `wanted`; 0 if none.
int first_book(const SiteOptions& o, const std::function<bool(const BookModel&)>& wanted) {
  const int total = total_books(o);
  for (int i = 0; i < total; ++i) {
    const BookModel b = make_book(o, i);
    if (wanted(b)) return b.id;
  }
  return 0;
}
}  // namespace

int SampleSite::find_long_book(int min_chapters) const {
  return first_book(options_, [&](const BookModel& b) { return b.chapter_count >= min_chapters; });
}

int SampleSite::find_book_with_prologue() const {
  return first_book(options_, [](const BookModel& b) { return b.prologue; });
}

int SampleSite::find_book_with_every_unnumbered_kind(int max_chapters) const {
  return first_book(options_, [&](const BookModel& b) {
    return b.prologue && !b.notes.empty() && b.afterword && b.chapter_count <= max_chapters;
  });
}

int SampleSite::find_book_with_cover(CoverKind kind) const {
  return first_book(options_, [&](const BookModel& b) { return b.cover == kind && !b.alt_differs; });
}

int SampleSite::find_book_with_differing_alt() const {
  return first_book(options_, [](const BookModel& b) { return b.alt_differs; });
}

}  // namespace lv::site
