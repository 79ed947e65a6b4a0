#include "library/chapter_merge.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace lv::library {

bool is_run_on_address(std::string_view address) { return address.find_first_of("\"<\r\n") != std::string_view::npos; }

MergedList merge_chapter_lists(const std::vector<ListedChapter>& stored, const std::vector<ListedChapter>& site) {
  std::unordered_map<std::string_view, const ListedChapter*> before;
  for (const ListedChapter& chapter : stored) before.try_emplace(chapter.address, &chapter);
  std::unordered_set<std::string_view> on_site;
  for (const ListedChapter& chapter : site) on_site.insert(chapter.address);

  // Each chapter gone from the site waits for the nearest chapter before it
  // that the site still lists (or the start of the list).
  std::unordered_map<std::string_view, std::vector<ListedChapter>> after;
  std::vector<ListedChapter> at_start;
  MergedList merged;
  std::string_view anchor;
  bool anchored = false;
  for (const ListedChapter& chapter : stored) {
    if (on_site.contains(chapter.address)) {
      anchor = chapter.address;
      anchored = true;
      continue;
    }
    if (!chapter.has_text && is_run_on_address(chapter.address)) {
      merged.dropped.push_back(chapter.address);
      continue;
    }
    ListedChapter kept = chapter;
    if (!kept.removed) ++merged.removed;
    kept.removed = true;
    (anchored ? after[anchor] : at_start).push_back(std::move(kept));
  }

  merged.chapters = std::move(at_start);
  std::unordered_set<std::string_view> placed;
  for (const ListedChapter& chapter : site) {
    ListedChapter entry = chapter;
    entry.removed = false;
    if (const auto old = before.find(chapter.address); old != before.end()) {
      entry.listed_at = old->second->listed_at;
      entry.has_text = old->second->has_text;
      if (old->second->title != chapter.title && !old->second->removed) ++merged.renamed;
    } else {
      entry.listed_at = 0;
      entry.has_text = false;
      ++merged.added;
    }
    merged.chapters.push_back(std::move(entry));
    // A link the page shows twice takes the chapters that followed it once.
    if (placed.insert(chapter.address).second) {
      if (const auto gone = after.find(chapter.address); gone != after.end()) {
        for (ListedChapter& kept : gone->second) merged.chapters.push_back(std::move(kept));
      }
    }
  }
  merged.changed = merged.chapters != stored;
  return merged;
}

}  // namespace lv::library
