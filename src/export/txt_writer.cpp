#include <cstdint>
#include <cstring>

#include "base/code_page.h"
#include "export/atomic_file.h"
#include "export/book_export.h"
#include "export/book_text.h"
#include "export/parallel_for.h"

namespace lv::exporting {
namespace {

using lv::base::gbk;
using lv::base::trim_both;

constexpr std::string_view kLineEnd = "\r\n";

// The text's lines with CR LF ends, without the blank lines before the first
// line and after the last; those between are the author's spacing and stay
// (written empty).
// False when nothing but blank lines was there.
bool append_lines(Text& out, std::string_view text) {
  const std::vector<std::string_view> lines = split_lines(text);
  std::size_t first = 0, end = lines.size();
  while (first < end && trim_both(lines[first]).empty()) ++first;
  while (end > first && trim_both(lines[end - 1]).empty()) --end;
  for (std::size_t i = first; i < end; ++i) {
    if (!trim_both(lines[i]).empty()) out += lines[i];  // a blank line is written empty
    out += kLineEnd;
  }
  return first < end;
}

// Whether any of the eight bytes is below 0x20.
inline bool has_control(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  return ((word - kOnes * 0x20) & ~word & kOnes * 0x80) != 0;
}

// Appends `text` without the control characters other than tab, line feed
// and carriage return, as the EPUB leaves them out. Bytes below 0x20 are
// characters of their own in UTF-8 and in repaired GBK (never a trail byte).
void append_without_controls(std::string& out, std::string_view text) {
  std::size_t run = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text.size() - i >= 8) {  // line ends come every few hundred bytes; the rest is skipped eight at a time
      std::uint64_t word;
      std::memcpy(&word, text.data() + i, 8);
      if (!has_control(word)) {
        i += 8;
        continue;
      }
    }
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
      out.append(text, run, i - run);
      run = i + 1;
    }
    ++i;
  }
  out.append(text, run);
}

// The book's texts in the file's encoding and script. The texts are GBK,
// from the site: a byte that does not read as GBK becomes '?' in a GBK file
// and U+FFFD in a UTF-8 one, so the file reads in its encoding.
struct Encoder {
  bool utf8 = true;
  const ChineseConverter* converter = nullptr;

  // Appends the GBK piece; counts the characters of the script that a GBK file cannot hold.
  void append(std::string& out, std::string_view piece, std::size_t& unheld) const {
    if (converter == nullptr) {
      append_without_controls(out, utf8 ? lv::base::gbk_to_utf8(piece) : lv::base::gbk_repaired(piece));
    } else if (utf8) {
      append_without_controls(out, converter->convert_utf8(lv::base::gbk_to_utf8(piece)));
    } else {
      std::size_t lost = 0;
      append_without_controls(out, converter->convert_gbk(piece, &lost));
      unheld += lost;
    }
  }
  // Appends the program's own words (UTF-8).
  void append_words(std::string& out, std::string words) const {
    words = shown_words(std::move(words), converter);
    append_without_controls(out, utf8 ? words : gbk(words));
  }
};

// The title, the author and the synopsis.
std::string head_text(const lv::library::StoredBook& book, const Encoder& encoder, std::size_t& unheld) {
  Text piece = book_title(book);
  piece += kLineEnd;
  const Text author = author_name(book.details.author);
  if (!author.empty()) {
    piece += gbk("作者：") + author;
    piece += kLineEnd;
  }
  piece += kLineEnd;
  if (append_lines(piece, book.details.intro)) piece += kLineEnd;
  std::string out;
  encoder.append(out, piece, unheld);
  return out;
}

// The chapter's title, its text (or the note that it is missing) and a blank line.
std::string chapter_text(const lv::library::StoredChapter& chapter, std::size_t position, const Encoder& encoder,
                         std::size_t& unheld) {
  const Text title = chapter_title(chapter, position);
  Text piece = title;
  piece += kLineEnd;
  std::string out;
  out.reserve((chapter.text.size() + 64) / 2 * 3);  // a Chinese character: 2 bytes in GBK, 3 in UTF-8
  if (chapter.stored) {
    append_lines(piece, without_repeated_title(chapter.text, title));
    piece += kLineEnd;
    encoder.append(out, piece, unheld);
  } else {
    encoder.append(out, piece, unheld);
    encoder.append_words(out, missing_note_utf8(chapter));
    encoder.append(out, std::string(kLineEnd) + std::string(kLineEnd), unheld);
  }
  return out;
}

// The file's bytes. Chapters are converted each on its own (on several
// threads), which keeps the cost of a conversion's repairs bounded by the
// chapter's size, and joined in order.
std::string book_text(const lv::library::StoredBook& book, const Encoder& encoder, std::size_t& unheld) {
  const std::size_t n = book.chapters.size();
  std::vector<std::string> chapters(n);
  std::vector<std::size_t> chapter_unheld(n, 0);
  parallel_for(n, [&](std::size_t i) { chapters[i] = chapter_text(book.chapters[i], i, encoder, chapter_unheld[i]); });

  std::string out = head_text(book, encoder, unheld);
  std::size_t size = out.size();
  for (const std::string& chapter : chapters) size += chapter.size();
  out.reserve(size);
  for (std::size_t i = 0; i < n; ++i) {
    out += chapters[i];
    unheld += chapter_unheld[i];
  }
  return out;
}

}  // namespace

ExportReport write_txt(const lv::library::StoredBook& book, const std::string& path, TextEncoding encoding,
                       ChineseScript script) {
  require_exportable(book);
  const Encoder encoder{encoding == TextEncoding::utf8, converter_for(script)};
  ExportReport report;
  replace_file(path, book_text(book, encoder, report.unheld_characters));
  return report;
}

}  // namespace lv::exporting
