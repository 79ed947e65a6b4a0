// The library search against a plain reading of the same texts: every hit
// where a character begins, and each snippet cut where a walk from the
// text's start says characters begin.
#include "routines/search_library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <random>
#include <vector>

#include "base/code_page.h"

namespace {

using lv::base::Text;

std::vector<std::size_t> starts_of(const Text& text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size();) {
    starts.push_back(i);
    i += static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
  }
  return starts;
}

bool matches_at(const Text& text, std::size_t at, const Text& sought) {
  if (at + sought.size() > text.size()) return false;
  for (std::size_t i = 0; i < sought.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[at + i])) != std::tolower(static_cast<unsigned char>(sought[i])))
      return false;
  }
  return true;
}

// The snippet as a reader would cut it: `context` characters each side, blanks as one space.
Text expected_snippet(const Text& text, const std::vector<std::size_t>& starts, std::size_t at, std::size_t length,
                      int context) {
  const auto here = std::lower_bound(starts.begin(), starts.end(), at) - starts.begin();
  const std::size_t from = here >= context ? starts[static_cast<std::size_t>(here - context)] : 0;
  const auto after = std::lower_bound(starts.begin(), starts.end(), at + length) - starts.begin();
  const std::size_t last = static_cast<std::size_t>(after + context);
  const std::size_t to = last < starts.size() ? starts[last] : text.size();
  Text snippet;
  for (const char c : text.substr(from, to - from)) {
    if (c != ' ' && c != '\r' && c != '\n' && c != '\t') snippet.push_back(c);
    else if (!snippet.empty() && snippet.back() != ' ') snippet.push_back(' ');
  }
  while (!snippet.empty() && snippet.back() == ' ') snippet.pop_back();
  return snippet;
}

TEST(SearchLibrary, HitsAndSnippetsAreThoseOfAPlainReading) {
  // Characters whose second byte is an ASCII letter stand among the words,
  // so a letter inside a character must not be taken for a hit.
  const std::vector<Text> pieces = {lv::base::gbk("风雪"), "Ab", "\x81" "a", "\x95" "B", "\r\n", "  ", "b", "a",
                                    lv::base::gbk("归人，"), "\xA1\xA1"};
  std::mt19937 random(7);
  std::vector<Text> texts;
  for (int n = 0; n < 3; ++n) {
    Text text;
    for (int i = 0; i < 3000; ++i) text += pieces[random() % pieces.size()];
    texts.push_back(text);
  }
  const auto path = std::filesystem::temp_directory_path() / ("lorevane-search-" + std::to_string(::getpid()));
  {
    lv::library::Library library = lv::library::Library::open(path.string());
    const std::string book = "http://127.0.0.1/book/1/";
    library.save_book(book, {}, {});
    std::vector<lv::library::StoredChapter> list(texts.size());
    for (std::size_t i = 0; i < list.size(); ++i) list[i].address = std::to_string(i) + ".html";
    library.save_chapter_list(book, list);
    for (std::size_t i = 0; i < texts.size(); ++i) library.save_chapter_text(book, static_cast<int>(i), texts[i], 1);

    for (const Text& sought : {Text("a"), Text("AB"), lv::base::gbk("雪"), Text("\x81" "a")}) {
      for (const int context : {1, 30}) {
        SCOPED_TRACE(sought + " context " + std::to_string(context));
        std::vector<lv::routines::SearchHit> hits;
        lv::routines::SearchOptions options;
        options.context = context;
        lv::routines::search_library(library, sought, options, [&hits](const lv::routines::SearchHit& hit) {
          hits.push_back(hit);
          return true;
        });
        std::size_t next = 0;
        for (std::size_t chapter = 0; chapter < texts.size(); ++chapter) {
          const Text& text = texts[chapter];
          const auto starts = starts_of(text);
          for (std::size_t s = 0; s < starts.size(); ++s) {
            // A match may not overlap the one before it.
            if (!matches_at(text, starts[s], sought)) continue;
            if (next > 0 && hits[next - 1].index == static_cast<int>(chapter) &&
                starts[s] < hits[next - 1].offset + sought.size())
              continue;
            ASSERT_LT(next, hits.size());
            EXPECT_EQ(hits[next].index, static_cast<int>(chapter));
            EXPECT_EQ(hits[next].offset, starts[s]);
            EXPECT_EQ(hits[next].snippet, expected_snippet(text, starts, starts[s], sought.size(), context));
            ++next;
          }
        }
        EXPECT_EQ(next, hits.size());
      }
    }
  }
  for (const char* tail : {"", "-wal", "-shm"}) std::filesystem::remove(path.string() + tail);
}

}  // namespace
