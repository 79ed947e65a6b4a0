#pragma once
// The syllables, words and phrases the generated site is made of, as GBK.
// Written in UTF-8 here and converted once, on first use.
#include <string>
#include <vector>

namespace lv::site {

struct WordTables {
  using List = std::vector<std::string>;
  List title_heads;      // 九天, 太古, ...
  List title_tails;      // 剑帝, 仙途, ...
  List title_suffixes;   // 诀, 录, ...
  List title_openers;    // 重生之, ...
  List surnames;
  List given_names;
  List pen_suffixes;     // 道人, 散人, ...
  List chapter_subjects; // 剑意, 雷劫, ...
  List chapter_events;   // 初成, 降临, ...
  List chapter_phrases;  // whole titles
  List special_titles;   // 上架感言, 作者的话, ...
  List prologue_words;   // 序章, 楔子, 引子
  List afterword_titles;  // 完本感言, 后记, ...
  List subjects;         // sentence subjects besides the hero
  List actions;          // 心中一动, ...
  List continuations;    // ，一道剑光破空而出, ...
  List scenery;          // whole sentences
  List speech;           // lines of dialogue with their end mark, without quotes
  List speech_verbs;     // 说道, 沉声道, ...
  List intro_lines;      // synopsis sentences, with @ for the hero's name
  std::string digits[10];  // 零 .. 九
  std::string ten, hundred, thousand, wan;
  std::string di, zhang;   // 第, 章
  std::string full_stop, exclamation, ellipsis, open_quote, close_quote;
  std::string ideographic_space;
  std::string site_name, category, category_tag, status_ongoing, status_finished;
  std::string author_label, category_label, status_label, intro_label, text_heading;
  std::string latest_label, promotion_lead, promotion_tail, book_open, book_close;
  std::string home, finished, prev_chapter, next_chapter, chapter_index, popular, newest;
  std::string other_category;
};

const WordTables& word_tables();

}  // namespace lv::site
