// Throughput of the marker extraction and text search on generated pages
// shaped like the site's, each beside a plain memmem making the same cuts
// (no character stepping, no case folding, no trimming). The counter
// vs_memmem is this code's speed as a share of that baseline's.
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/code_page.h"
#include "base/text.h"
#include "scrape/chapter_list.h"
#include "scrape/chapter_text.h"
#include "scrape/extract.h"
#include "scrape/listing_page.h"

namespace {

using lv::base::gbk;
using lv::base::Text;
using lv::scrape::ExtractOptions;
using lv::scrape::ResultList;

const std::string kHost = "www.lorevane-books.example";

// --- generated corpus --------------------------------------------------------

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  int number(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  // Common hanzi (GB2312 level 1: lead B0..D7, trail A1..FE), with the
  // occasional full-width comma or full stop.
  Text chinese(int characters) {
    Text out;
    out.reserve(static_cast<std::size_t>(characters) * 2);
    for (int i = 0; i < characters; ++i) {
      const int roll = number(0, 29);
      if (roll == 0) {
        out += "\xA3\xAC";  // ，
      } else if (roll == 1) {
        out += "\xA1\xA3";  // 。
      } else {
        out.push_back(static_cast<char>(number(0xB0, 0xD7)));
        out.push_back(static_cast<char>(number(0xA1, 0xFE)));
      }
    }
    return out;
  }

 private:
  std::mt19937 rng_;
};

Text page_head(Generator& g) {
  return "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
         "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n"
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\" />\r\n<title>" +
         g.chinese(4) + " - " + g.chinese(3) + "</title>\r\n</head>\r\n<body><div id=\"wrapper\">\r\n" +
         "<div class=\"header\">" + g.chinese(6) + "<form action=\"/search.php\"><input name=\"q\" /></form></div>\r\n" +
         "<div class=\"nav\"><ul>\r\n<li><a href=\"http://" + kHost + "/\">" + g.chinese(2) + "</a></li>\r\n" +
         "<li><a href=\"/sort1/1.html\">" + g.chinese(4) + "</a></li><li><a href=\"/sort2/1.html\">" + g.chinese(4) +
         "</a></li>\r\n<li><a href=\"/quanben/\">" + g.chinese(4) + "</a></li>\r\n</ul></div>\r\n";
}

Text listing_page(Generator& g, int page) {
  Text out = page_head(g) + "<div id=\"main\">\r\n";
  if (page == 1) {
    out += "<div id=\"hotcontent\"><div class=\"l\">\r\n";
    for (int i = 0; i < 4; ++i) {
      const Text book = "http://" + kHost + "/book/" + std::to_string(g.number(1, 99)) + "/" +
                        std::to_string(g.number(1000, 99999)) + "/";
      out += "<div class=\"item\"><div class=\"image\"><a href=\"" + book + "\"><img src=\"" + book +
             "s.jpg\" /></a></div>\r\n<dl><dt><span>" + g.chinese(3) + "</span><a href=\"" + book + "\">" +
             g.chinese(5) + "</a></dt><dd>" + g.chinese(60) + "</dd></dl></div>\r\n";
    }
    out += "</div></div>\r\n";
  }
  out += "<div id=\"newscontent\">\r\n<div class=\"l\"><h2>" + g.chinese(6) + "</h2><ul>\r\n";
  for (int row = 0; row < 30; ++row) {
    const Text book = "http://" + kHost + "/book/" + std::to_string(g.number(1, 99)) + "/" +
                      std::to_string(g.number(1000, 99999)) + "/";
    out += "<li><span class=\"s1\">" + gbk("[修真小说]") + "</span><span class=\"s2\"><a href=\"" + book +
           "\">" + g.chinese(g.number(2, 8)) + "</a></span><span class=\"s3\"><a href=\"" + book +
           std::to_string(g.number(1000000, 9999999)) + ".html\" target=\"_blank\">" + gbk("第") +
           std::to_string(g.number(1, 2000)) + gbk("章 ") + g.chinese(g.number(3, 12)) +
           "</a></span><span class=\"s4\">" + g.chinese(3) + "</span><span class=\"s5\">18-05-" +
           std::to_string(g.number(10, 28)) + "</span></li>\r\n";
  }
  out += "</ul></div>\r\n<div class=\"r\"><h2>" + g.chinese(4) + "</h2><ul>\r\n";
  for (int row = 0; row < 10; ++row) {
    out += "<li><span class=\"s2\"><a href=\"http://" + kHost + "/book/3/" + std::to_string(g.number(1000, 9999)) +
           "/\">" + g.chinese(5) + "</a></span><span class=\"s5\">" + g.chinese(3) + "</span></li>\r\n";
  }
  out += "</ul></div></div>\r\n<div class=\"pagelink\" id=\"pagelink\"><em id=\"pagestats\">" +
         std::to_string(page) + "/146</em> <a href=\"/sort2/" + std::to_string(page + 1) +
         ".html\" class=\"next\">&gt;</a></div>\r\n</div></body></html>\r\n";
  return out;
}

Text book_page(Generator& g, int chapters) {
  Text out = page_head(g) + "<div class=\"box_con\"><div class=\"con_top\">" + g.chinese(4) + " &gt; " +
             g.chinese(4) + "</div>\r\n<div id=\"maininfo\">\r\n<div id=\"info\">\r\n<div class=\"infotitle\">\r\n<h1>" +
             g.chinese(5) + "</h1>\r\n<i>" + gbk("作者：") + g.chinese(3) + "</i></div>\r\n<div class=\"intro\">" +
             g.chinese(120) + "<br />\r\n</div>\r\n</div></div></div>\r\n<div class=\"box_con\"><div id=\"list\"><dl>\r\n<dt>" +
             g.chinese(6) + "</dt>\r\n";
  for (int i = 0; i < chapters; ++i) {
    const Text title = (g.number(0, 49) == 0 ? g.chinese(3) : gbk("第") + std::to_string(i + 1) + gbk("章 ")) +
                       g.chinese(g.number(3, 10));
    out += "<dd><a href=\"" + std::to_string(1000001 + i) + ".html\" title=\"" + title + "\">" + title +
           "</a></dd>\r\n";
  }
  out += "</dl></div></div>\r\n</div></body></html>\r\n";
  return out;
}

Text chapter_body(Generator& g) {
  Text out = "\r\n";
  const int paragraphs = g.number(15, 30);
  for (int i = 0; i < paragraphs; ++i) {
    out += "&nbsp;&nbsp;&nbsp;&nbsp;" + g.chinese(g.number(40, 200)) + "<br /><br />";
  }
  return out + "\r\n";
}

struct Corpus {
  std::vector<Text> listings, books, chapters;
  std::size_t listing_bytes = 0, book_bytes = 0, chapter_bytes = 0;

  Corpus() {
    Generator g(20180520);
    for (int page = 1; page <= 146; ++page) listings.push_back(listing_page(g, page));
    for (int book = 0; book < 16; ++book) books.push_back(book_page(g, g.number(200, 1500)));
    for (int chapter = 0; chapter < 100; ++chapter) chapters.push_back(chapter_body(g));
    for (const auto& p : listings) listing_bytes += p.size();
    for (const auto& p : books) book_bytes += p.size();
    for (const auto& p : chapters) chapter_bytes += p.size();
  }
};

const Corpus& corpus() {
  static const Corpus c;
  return c;
}

// --- the cuts ------------------------------------------------------------------

struct MarkerCase {
  const char* name;
  Text start, end;
  ExtractOptions options;
};

std::vector<MarkerCase> listing_cases() {
  ExtractOptions plain;
  plain.case_sensitive = true;
  plain.start_position = 140;
  ExtractOptions titles = plain;
  titles.prefix = gbk("《");
  titles.suffix = gbk("》");
  return {
      {"titles", "/\">", "</a></span><span class=\"s3\"><a href=\"http://" + kHost, titles},
      {"addresses", "<li><span class=\"s1\">" + gbk("[修真小说]") + "</span><span class=\"s2\"><a href=\"", "\">",
       plain},
      {"latest", ".html\" target=\"_blank\">", "</a></span><span class=\"s4\">", plain},
  };
}

std::vector<MarkerCase> chapter_list_cases() {
  ExtractOptions folded;  // case ignored, as the chapter list leaves it
  folded.start_position = 88;
  return {
      {"chapter_addresses", "<dd><a href=\"", "\" title=\"" + gbk("第"), folded},
      {"chapter_titles", "html\" title=\"", "\">", folded},
  };
}

std::size_t chapter_count(const lv::scrape::ChapterList& list) { return list.chapters.size(); }

// The same cuts with memmem: byte-exact, no boundaries, no folding, no trim.
int memmem_cuts(std::string_view text, const MarkerCase& c, ResultList& out) {
  out.clear();
  const char* base = text.data();
  const std::size_t size = text.size();
  std::size_t position = static_cast<std::size_t>(c.options.start_position - 1);
  while (position < size) {
    const void* a = memmem(base + position, size - position, c.start.data(), c.start.size());
    if (a == nullptr) break;
    const std::size_t s = static_cast<std::size_t>(static_cast<const char*>(a) - base) + c.start.size();
    const void* b = memmem(base + s, size - s, c.end.data(), c.end.size());
    if (b == nullptr) break;
    const std::size_t e = static_cast<std::size_t>(static_cast<const char*>(b) - base);
    out.emplace_back(c.options.prefix + std::string(base + s, e - s) + c.options.suffix);
    position = e;
  }
  return static_cast<int>(out.size());
}

// CPU time of this thread, as the benchmark library reports rates by it; the
// machine may be shared, so wall time would mostly measure the neighbours.
double thread_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double seconds_for(int rounds, const auto& work) {
  const double t0 = thread_seconds();
  for (int i = 0; i < rounds; ++i) work();
  return thread_seconds() - t0;
}

// Runs `ours` under the benchmark's timing, then the baseline for as many
// rounds outside it, and reports both rates and their ratio.
template <typename Ours, typename Base>
void measure_against(benchmark::State& state, std::size_t bytes, Ours ours, Base baseline) {
  const double t0 = thread_seconds();
  for (auto _ : state) ours();
  const double our_seconds = thread_seconds() - t0;
  const int rounds = static_cast<int>(std::max<benchmark::IterationCount>(state.iterations(), 1));
  const double base_seconds = seconds_for(rounds, baseline);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.counters["memmem_GB/s"] = static_cast<double>(bytes) * rounds / base_seconds / 1e9;
  state.counters["vs_memmem"] = base_seconds / our_seconds;
}

void extraction(benchmark::State& state, const std::vector<Text>& pages, std::size_t bytes, const MarkerCase& c) {
  ResultList results;
  std::size_t items = 0, base_items = 0;
  measure_against(
      state, bytes,
      [&] {
        for (const auto& page : pages) {
          items += static_cast<std::size_t>(lv::scrape::extract_all_between(page, c.start, c.end, results, c.options));
        }
        benchmark::DoNotOptimize(results.data());
      },
      [&] {
        for (const auto& page : pages) base_items += static_cast<std::size_t>(memmem_cuts(page, c, results));
        benchmark::DoNotOptimize(results.data());
      });
  state.counters["items/page"] = static_cast<double>(items) / static_cast<double>(state.iterations() * pages.size());
}

void BM_ListingExtract(benchmark::State& state) {
  const auto cases = listing_cases();
  const MarkerCase& c = cases[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(c.name);
  extraction(state, corpus().listings, corpus().listing_bytes, c);
}
BENCHMARK(BM_ListingExtract)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_ChapterListExtract(benchmark::State& state) {
  const auto cases = chapter_list_cases();
  const MarkerCase& c = cases[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(c.name);
  extraction(state, corpus().books, corpus().book_bytes, c);
}
BENCHMARK(BM_ChapterListExtract)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// Chinese-heavy chapters searched for a two-character word that never occurs
// (its lead byte 0xD8 lies outside the generated range), so every chapter is
// walked to the end, and for the full-width comma, which occurs every few
// dozen characters.
void BM_FindChinese(benchmark::State& state) {
  const Text absent = "\xD8\xA1\xD8\xA2";
  const Text comma = "\xA3\xAC";  // ，
  const Text& word = state.range(0) == 0 ? absent : comma;
  state.SetLabel(state.range(0) == 0 ? "absent" : "comma");
  const auto& chapters = corpus().chapters;
  long hits = 0;
  measure_against(
      state, corpus().chapter_bytes,
      [&] {
        for (const auto& text : chapters) {
          for (int p = lv::base::find_text(text, word); p > 0; p = lv::base::find_text(text, word, p + 1)) ++hits;
        }
        benchmark::DoNotOptimize(hits);
      },
      [&] {
        for (const auto& text : chapters) {
          const char* at = text.data();
          const char* end = text.data() + text.size();
          while (const void* hit = memmem(at, static_cast<std::size_t>(end - at), word.data(), word.size())) {
            ++hits;
            at = static_cast<const char*>(hit) + 1;
          }
        }
        benchmark::DoNotOptimize(hits);
      });
}
BENCHMARK(BM_FindChinese)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

// The chapter cleaning: two pair replacements, case ignored.
void BM_ReplacePairsChapter(benchmark::State& state) {
  const auto& chapters = corpus().chapters;
  std::size_t out_bytes = 0;
  measure_against(
      state, corpus().chapter_bytes,
      [&] {
        for (const auto& raw : chapters) {
          Text text = lv::scrape::replace_pairs(raw, 99999999, 1, false, {{"&nbsp;", " "}});
          text = lv::scrape::replace_pairs(text, 99999999, 1, false, {{"<br /><br />", "\r\n\r\n"}});
          out_bytes += text.size();
        }
        benchmark::DoNotOptimize(out_bytes);
      },
      [&] {
        auto replace_all = [](std::string_view in, std::string_view find, std::string_view with) {
          std::string out;
          out.reserve(in.size());
          std::size_t at = 0;
          while (const void* hit = memmem(in.data() + at, in.size() - at, find.data(), find.size())) {
            const std::size_t h = static_cast<std::size_t>(static_cast<const char*>(hit) - in.data());
            out.append(in.substr(at, h - at)).append(with);
            at = h + find.size();
          }
          return out.append(in.substr(at));
        };
        for (const auto& raw : chapters) {
          const std::string text = replace_all(replace_all(raw, "&nbsp;", " "), "<br /><br />", "\r\n\r\n");
          out_bytes += text.size();
        }
        benchmark::DoNotOptimize(out_bytes);
      });
}
BENCHMARK(BM_ReplacePairsChapter)->Unit(benchmark::kMillisecond);

// One very long chapter (a site that puts a whole volume on one page) cleaned
// of a find text of letters only, whose other case the text never holds:
// case ignored beside case kept, on 4 MB and 30 MB.
const Text& long_chapter(std::size_t megabytes) {
  static std::vector<std::pair<std::size_t, Text>> made;
  for (const auto& [size, text] : made) {
    if (size == megabytes) return text;
  }
  Generator g(megabytes);
  Text text;
  text.reserve(megabytes << 20);
  while (text.size() < megabytes << 20) text += chapter_body(g);
  return made.emplace_back(megabytes, std::move(text)).second;
}

void BM_ReplaceLettersLongChapter(benchmark::State& state) {
  const Text& text = long_chapter(static_cast<std::size_t>(state.range(0)));
  const bool case_sensitive = state.range(1) != 0;
  state.SetLabel(case_sensitive ? "case kept" : "case ignored");
  std::size_t out_bytes = 0;
  for (auto _ : state) {
    out_bytes += lv::scrape::replace_pairs(text, 99999999, 1, case_sensitive, {{"nbsp", "x"}}).size();
    benchmark::DoNotOptimize(out_bytes);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReplaceLettersLongChapter)
    ->ArgsProduct({{4, 30}, {0, 1}})
    ->ArgNames({"MB", "case_sensitive"})
    ->Unit(benchmark::kMillisecond);

// The whole parsers with the built-in rules: every cut of a page, the pairing
// and the cleaning, on the same pages as the cuts above.
void BM_ParseListingPage(benchmark::State& state) {
  std::size_t books = 0;
  for (auto _ : state) {
    for (const auto& page : corpus().listings) books += lv::scrape::parse_listing_page(page, kHost).addresses.size();
    benchmark::DoNotOptimize(books);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus().listing_bytes));
  state.counters["books/page"] =
      static_cast<double>(books) / static_cast<double>(state.iterations() * corpus().listings.size());
}
BENCHMARK(BM_ParseListingPage)->Unit(benchmark::kMillisecond);

void BM_ParseChapterList(benchmark::State& state) {
  std::size_t chapters = 0;
  for (auto _ : state) {
    for (const auto& page : corpus().books) chapters += chapter_count(lv::scrape::parse_chapter_list(page));
    benchmark::DoNotOptimize(chapters);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus().book_bytes));
  state.counters["chapters/page"] =
      static_cast<double>(chapters) / static_cast<double>(state.iterations() * corpus().books.size());
}
BENCHMARK(BM_ParseChapterList)->Unit(benchmark::kMillisecond);

void BM_ParseChapterText(benchmark::State& state) {
  const Text head = "<div id=\"BookText\">\r";
  const Text tail = "</div>\r\n<div class=\"share\"></div>";
  std::vector<Text> pages;
  std::size_t bytes = 0;
  for (const auto& text : corpus().chapters) {
    pages.push_back("</tr></table>\r\n" + head + text + tail);
    bytes += pages.back().size();
  }
  std::size_t out_bytes = 0;
  for (auto _ : state) {
    for (const auto& page : pages) out_bytes += lv::scrape::parse_chapter_text(page).size();
    benchmark::DoNotOptimize(out_bytes);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_ParseChapterText)->Unit(benchmark::kMillisecond);

}  // namespace
