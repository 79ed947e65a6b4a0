#include <cstdint>
#include <cstring>

#include "base/code_page.h"
#include "export/atomic_file.h"
#include "export/book_export.h"
#include "export/book_text.h"

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

// The file's bytes. The book's texts are GBK, from the site: a byte that does
// not read as GBK becomes '?' in a GBK file and U+FFFD in a UTF-8 one, so the
// file reads in its encoding. They are converted a chapter at a time, which
// keeps the cost of a conversion's repairs bounded by the chapter's size.
std::string book_text(const lv::library::StoredBook& book, TextEncoding encoding) {
  const bool utf8 = encoding == TextEncoding::utf8;
  std::size_t size = 1024;
  for (const auto& chapter : book.chapters) size += chapter.title.size() + chapter.text.size() + 64;
  std::string out;
  out.reserve(utf8 ? size / 2 * 3 : size);  // a Chinese character: 2 bytes in GBK, 3 in UTF-8

  Text piece;  // GBK, waiting to be written
  auto flush = [&] {
    append_without_controls(out, utf8 ? lv::base::gbk_to_utf8(piece) : lv::base::gbk_repaired(piece));
    piece.clear();
  };

  piece += book_title(book);
  piece += kLineEnd;
  const Text author = author_name(book.details.author);
  if (!author.empty()) {
    piece += gbk("作者：") + author;
    piece += kLineEnd;
  }
  piece += kLineEnd;
  if (append_lines(piece, book.details.intro)) piece += kLineEnd;
  for (std::size_t i = 0; i < book.chapters.size(); ++i) {
    const auto& chapter = book.chapters[i];
    piece += chapter_title(chapter, i);
    piece += kLineEnd;
    if (chapter.stored) {
      append_lines(piece, chapter.text);
    } else {
      flush();  // the note is UTF-8: written as it is, or converted once
      const std::string note = missing_note_utf8(chapter);
      append_without_controls(out, utf8 ? note : gbk(note));
      piece += kLineEnd;
    }
    piece += kLineEnd;
    flush();
  }
  flush();
  return out;
}

}  // namespace

void write_txt(const lv::library::StoredBook& book, const std::string& path, TextEncoding encoding) {
  require_exportable(book);
  replace_file(path, book_text(book, encoding));
}

}  // namespace lv::exporting
