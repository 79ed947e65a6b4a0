#include "sample_site/prose.h"

#include "sample_site/site_random.h"
#include "sample_site/word_tables.h"

namespace lv::site {
namespace {

enum Salt : std::uint64_t { kText = 0x7E47, kSynopsis = 0x5140 };

const std::string& pick(const WordTables::List& list, Stream& s) { return list[s.below(list.size())]; }

std::string sentence_end(Stream& s) {
  const auto& w = word_tables();
  const int k = s.range(0, 9);
  return k < 7 ? w.full_stop : k < 9 ? w.exclamation : w.ellipsis;
}

std::string narration(const BookModel& b, Stream& s) {
  const auto& w = word_tables();
  std::string out;
  const int sentences = s.range(1, 4);
  for (int i = 0; i < sentences; ++i) {
    out += s.chance(45) ? b.hero : pick(w.subjects, s);
    out += pick(w.actions, s);
    if (s.chance(70)) out += pick(w.continuations, s);
    out += sentence_end(s);
  }
  return out;
}

std::string dialogue(const BookModel& b, Stream& s) {
  const auto& w = word_tables();
  std::string out = w.open_quote + pick(w.speech, s) + w.close_quote;
  out += s.chance(50) ? b.hero : pick(w.subjects, s);
  out += pick(w.speech_verbs, s) + w.full_stop;
  return out;
}

std::string paragraph(const BookModel& b, Stream& s) {
  const int kind = s.range(0, 9);
  if (kind < 5) return narration(b, s);
  if (kind < 8) return dialogue(b, s);
  const auto& w = word_tables();
  std::string out = pick(w.scenery, s) + w.full_stop;
  if (s.chance(50)) out += narration(b, s);
  return out;
}

}  // namespace

std::string fill_name(const std::string& text, const std::string& name) {
  std::string out;
  out.reserve(text.size() + name.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x81 && i + 1 < text.size()) {  // a lead byte: copy the pair, its trail may be 0x40
      out += text[i];
      out += text[++i];
    } else if (c == '@') {
      out += name;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string chapter_text(const BookModel& b, int chapter) {
  const auto& w = word_tables();
  Stream s(hash_of(b.hash, kText, static_cast<std::uint64_t>(chapter)));
  const std::size_t target = static_cast<std::size_t>(s.range(5200, 11400));
  const std::string indent = b.style.ideographic_indent ? w.ideographic_space + w.ideographic_space
                                                        : std::string("&nbsp;&nbsp;&nbsp;&nbsp;");
  const std::string gap = b.style.line_breaks ? "<br />\r\n<br />\r\n" : "<br /><br />";
  std::string out = "\r\n";
  out.reserve(target + 600);
  bool first = true;
  if (b.style.title_first_line) {
    out += indent + chapter_title(b, chapter);
    first = false;
  }
  while (out.size() < target) {
    if (!first) out += gap;
    first = false;
    out += indent + paragraph(b, s);
  }
  out += "\r\n";
  return out;
}

std::vector<std::string> synopsis(const BookModel& b) {
  const auto& w = word_tables();
  Stream s(hash_of(b.hash, kSynopsis));
  std::vector<std::string> lines;
  const std::size_t first = s.below(w.intro_lines.size());
  const int count = s.range(2, 3);
  for (int i = 0; i < count; ++i) {
    const auto& line = w.intro_lines[(first + static_cast<std::size_t>(i)) % w.intro_lines.size()];
    lines.push_back(fill_name(line, b.hero) + w.full_stop);
  }
  return lines;
}

}  // namespace lv::site
