#include "sample_site/book_model.h"

#include <algorithm>

#include "sample_site/site_random.h"
#include "sample_site/word_tables.h"

namespace lv::site {
namespace {

// Salts keep the streams of different properties apart.
enum Salt : std::uint64_t { kBook = 1, kIdJitter, kChapterTitle, kEntity, kAfterword };

std::uint64_t book_hash(const SiteOptions& o, int index) {
  return hash_of(o.seed, kBook, static_cast<std::uint64_t>(index));
}

int id_jitter(const SiteOptions& o, int index) {
  return static_cast<int>(hash_of(o.seed, kIdJitter, static_cast<std::uint64_t>(index)) % 7);
}

const std::string& pick(const WordTables::List& list, Stream& s) { return list[s.below(list.size())]; }

std::string person_name(Stream& s) {
  const auto& w = word_tables();
  return pick(w.surnames, s) + pick(w.given_names, s);
}

std::string book_name(Stream& s) {
  const auto& w = word_tables();
  const int kind = s.range(0, 99);
  if (kind < 50) return pick(w.title_heads, s) + pick(w.title_tails, s);
  if (kind < 62) return pick(w.title_heads, s) + pick(w.title_suffixes, s);
  if (kind < 75) return pick(w.title_openers, s) + pick(w.title_heads, s) + pick(w.title_tails, s);
  if (kind < 88) return pick(w.title_heads, s) + pick(w.chapter_subjects, s) + pick(w.title_suffixes, s);
  return pick(w.title_tails, s) + pick(w.chapter_events, s);
}

std::string author_name(Stream& s) {
  const auto& w = word_tables();
  if (s.chance(40)) return pick(w.given_names, s) + pick(w.pen_suffixes, s);
  return person_name(s);
}

}  // namespace

int total_books(const SiteOptions& o) {
  if (o.listing_pages <= 0 || o.rows_per_page <= 0) return 0;
  return (o.listing_pages - 1) * o.rows_per_page + rows_on_page(o, o.listing_pages);
}

int rows_on_page(const SiteOptions& o, int page) {
  if (page < 1 || page > o.listing_pages || o.rows_per_page <= 0) return 0;
  if (page < o.listing_pages) return o.rows_per_page;
  // the category's last page is not full
  const int shortfall = static_cast<int>(hash_of(o.seed, 99) % 9) + 1;
  return std::max(2, o.rows_per_page - shortfall);
}

BookModel make_book(const SiteOptions& o, int index) {
  BookModel b;
  b.index = index;
  b.hash = book_hash(o, index);
  b.id = 1000 + 7 * index + id_jitter(o, index);
  Stream s(b.hash);
  b.name = book_name(s);
  b.author = author_name(s);
  b.hero = person_name(s);
  b.finished = s.chance(15);
  const int size_class = s.range(0, 99);
  if (size_class < 4) b.chapter_count = s.range(1001, 1800);
  else if (size_class < 60) b.chapter_count = s.range(30, 400);
  else b.chapter_count = s.range(400, 990);
  b.first_chapter_id = 1000000 + index * 2000 + s.range(0, 49);
  b.gap_period = s.range(40, 120);
  b.prologue = s.chance(15);
  if (s.chance(20) && b.chapter_count > 12) {
    const int n = s.range(1, 2);
    for (int k = 0; k < n; ++k) b.notes.push_back(s.range(5, b.chapter_count - 2));
    std::sort(b.notes.begin(), b.notes.end());
    b.notes.erase(std::unique(b.notes.begin(), b.notes.end()), b.notes.end());
  }
  // A stream of its own: the properties drawn from `s` stay what they were.
  b.afterword = b.finished && b.chapter_count > 12 && hash_of(b.hash, kAfterword) % 3 != 0;
  b.arabic_numbers = s.chance(25);
  b.entity_titles = s.chance(12);
  b.style.ideographic_indent = s.chance(30);
  b.style.line_breaks = s.chance(25);
  b.style.title_first_line = s.chance(20);
  const int cover = s.range(0, 99);
  b.cover = cover < 78 ? CoverKind::picture : cover < 88 ? CoverKind::missing : CoverKind::placeholder;
  b.alt_differs = s.range(0, 199) == 0;
  b.days_back = index / 12;
  return b;
}

int index_of_book_id(const SiteOptions& o, int book_id) {
  if (book_id < 1000) return -1;
  const int index = (book_id - 1000) / 7;
  if (index >= total_books(o)) return -1;
  return 1000 + 7 * index + id_jitter(o, index) == book_id ? index : -1;
}

std::string chinese_number(int n) {
  const auto& w = word_tables();
  if (n <= 0) return w.digits[0];
  if (n >= 100000) n %= 100000;
  const int parts[5] = {n / 10000, n / 1000 % 10, n / 100 % 10, n / 10 % 10, n % 10};
  const std::string* units[5] = {nullptr, &w.thousand, &w.hundred, &w.ten, nullptr};
  std::string out;
  bool started = false, zero_pending = false;
  for (int k = 0; k < 5; ++k) {
    const int d = parts[k];
    if (d == 0) {
      if (started) zero_pending = true;
      continue;
    }
    if (zero_pending) out += w.digits[0];
    zero_pending = false;
    // 十一, not 一十一, when the number starts with its tens
    if (!(k == 3 && d == 1 && !started)) out += w.digits[d];
    if (k == 0) out += w.wan;
    else if (units[k]) out += *units[k];
    started = true;
  }
  return out;
}

std::string chapter_title(const BookModel& b, int i) {
  const auto& w = word_tables();
  Stream s(hash_of(b.hash, kChapterTitle, static_cast<std::uint64_t>(i)));
  if (b.prologue && i == 0) {
    const std::string& word = pick(w.prologue_words, s);
    return s.chance(30) ? word : word + " " + pick(w.chapter_phrases, s);
  }
  if (std::binary_search(b.notes.begin(), b.notes.end(), i)) return pick(w.special_titles, s);
  if (b.afterword && i == b.chapter_count - 1) return pick(w.afterword_titles, s);
  int number = i + 1 - (b.prologue ? 1 : 0);
  for (int note : b.notes) {
    if (note < i) --number;
  }
  std::string title = w.di + (b.arabic_numbers ? std::to_string(number) : chinese_number(number)) +
                      w.zhang + " ";
  const std::uint64_t entity_hash = hash_of(b.hash, kEntity, static_cast<std::uint64_t>(i));
  if (b.entity_titles && entity_hash % 17 == 0) {
    // The same marks spelt by name, by decimal or by hexadecimal number.
    static const char* const kQuote[] = {"&quot;", "&#34;", "&#x22;"};
    static const char* const kEllipsis[] = {"&hellip;", "&#8230;", "&#x2026;"};
    const std::size_t spelling = entity_hash / 17 % 3;
    switch (s.range(0, 2)) {
      case 0: return title + pick(w.chapter_subjects, s) + "&amp;" + pick(w.chapter_subjects, s);
      case 1: return title + kQuote[spelling] + pick(w.chapter_phrases, s) + kQuote[spelling];
      default: return title + pick(w.chapter_phrases, s) + kEllipsis[spelling];
    }
  }
  if (s.chance(60)) return title + pick(w.chapter_subjects, s) + pick(w.chapter_events, s);
  return title + pick(w.chapter_phrases, s);
}

int chapter_id(const BookModel& b, int i) { return b.first_chapter_id + i + i / b.gap_period; }

int chapter_index_of(const BookModel& b, int id) {
  const int offset = id - b.first_chapter_id;
  if (offset < 0) return -1;
  const int guess = offset * b.gap_period / (b.gap_period + 1);
  for (int i = std::max(0, guess - 1); i <= guess + 1 && i < b.chapter_count; ++i) {
    if (chapter_id(b, i) == id) return i;
  }
  return -1;
}

std::string book_path_of(int book_id) {
  return "/book/" + std::to_string(book_id / 1000) + "/" + std::to_string(book_id) + "/";
}

std::string cover_file_path(int book_id) {
  return "/files/article/image/" + std::to_string(book_id / 1000) + "/" + std::to_string(book_id) +
         "/" + std::to_string(book_id) + "s.jpg";
}

}  // namespace lv::site
