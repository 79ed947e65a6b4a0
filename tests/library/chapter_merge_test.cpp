// Merging the site's chapter list into the stored one: nothing stored is
// lost, whatever the site shows.
#include "library/chapter_merge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lv::library {
namespace {

// "a" listed, "-a" removed; a title differs from its address only after ":".
std::vector<ListedChapter> list(const std::vector<std::string>& items) {
  std::vector<ListedChapter> out;
  for (const std::string& item : items) {
    const bool removed = item.starts_with("-");
    const std::string name = removed ? item.substr(1) : item;
    const auto colon = name.find(':');
    const std::string address = name.substr(0, colon);
    out.push_back({colon == std::string::npos ? address : name.substr(colon + 1), address, removed, 7});
  }
  return out;
}

std::vector<std::string> shown(const MergedList& merged) {
  std::vector<std::string> out;
  for (const ListedChapter& c : merged.chapters) out.push_back((c.removed ? "-" : "") + std::string(c.address));
  return out;
}

TEST(ChapterMerge, EveryStoredChapterStaysInItsPlace) {
  const struct {
    const char* what;
    std::vector<std::string> stored, site, merged;
    int added, removed, renamed;
  } cases[] = {
      {"unchanged", {"a", "b"}, {"a", "b"}, {"a", "b"}, 0, 0, 0},
      {"new at the end", {"a", "b"}, {"a", "b", "c"}, {"a", "b", "c"}, 1, 0, 0},
      {"one taken down", {"a", "b", "c"}, {"a", "c"}, {"a", "-b", "c"}, 0, 1, 0},
      {"the first taken down", {"a", "b"}, {"b"}, {"-a", "b"}, 0, 1, 0},
      {"all taken down", {"a", "b"}, {}, {"-a", "-b"}, 0, 2, 0},
      {"down, then a new one in its place", {"a", "b", "c"}, {"a", "x", "c"}, {"a", "-b", "x", "c"}, 1, 1, 0},
      {"already removed stays removed", {"a", "-b", "c"}, {"a", "c"}, {"a", "-b", "c"}, 0, 0, 0},
      {"removed, listed again", {"a", "-b", "c"}, {"a", "b", "c"}, {"a", "b", "c"}, 0, 0, 0},
      {"renamed keeps its place", {"a", "b"}, {"a", "b:new"}, {"a", "b"}, 0, 0, 1},
      {"moved", {"a", "b", "c"}, {"c", "a", "b"}, {"c", "a", "b"}, 0, 0, 0},
      {"a link shown twice", {"a", "b"}, {"a", "a", "c"}, {"a", "-b", "a", "c"}, 1, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const MergedList merged = merge_chapter_lists(list(c.stored), list(c.site));
    EXPECT_EQ(shown(merged), c.merged);
    EXPECT_EQ(merged.added, c.added);
    EXPECT_EQ(merged.removed, c.removed);
    EXPECT_EQ(merged.renamed, c.renamed);
    EXPECT_EQ(merged.changed, c.stored != c.merged || c.renamed > 0 || c.added > 0);
  }
}

// An older chapter list cut a prologue's link together with the next one as
// one "address"; the next list names both links on their own.
TEST(ChapterMerge, MarkupAnOlderListTookForAnAddressGoesUnlessItHoldsAText) {
  const std::string run_on = "1.html\" title=\"x\">x</a></dd>\r\n<dd><a href=\"2.html";
  const auto stored = [&](bool run_on_has_text) {
    auto l = list({"-", "3", "4"});
    l[0].address = run_on;
    l[0].removed = false;
    l[0].has_text = run_on_has_text;
    l[1].has_text = true;
    return l;
  };
  const MergedList mended = merge_chapter_lists(stored(false), list({"1", "2", "3", "4"}));
  EXPECT_EQ(shown(mended), (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_EQ(mended.dropped, (std::vector<lv::base::Text>{run_on}));
  EXPECT_EQ(mended.removed, 0);
  EXPECT_TRUE(mended.chapters[2].has_text);
  // A text stored under it is never lost: the entry stays, removed.
  const MergedList kept = merge_chapter_lists(stored(true), list({"1", "2", "3", "4"}));
  EXPECT_EQ(shown(kept), (std::vector<std::string>{"-" + run_on, "1", "2", "3", "4"}));
  EXPECT_TRUE(kept.dropped.empty());
}

}  // namespace
}  // namespace lv::library
