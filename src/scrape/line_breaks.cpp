#include "scrape/line_breaks.h"

#include <cstring>

namespace lv::scrape {

namespace {

bool letter_is(char c, char lower) { return c == lower || c == lower - ('a' - 'A'); }

// The length of the break tag at `at`, or 0. '<' is never the second byte of
// a GBK character, so a tag found here always starts a character.
std::size_t break_tag_length(std::string_view s, std::size_t at) {
  if (at + 4 > s.size() || s[at] != '<' || !letter_is(s[at + 1], 'b') || !letter_is(s[at + 2], 'r')) return 0;
  const std::string_view rest = s.substr(at + 3);
  if (rest.starts_with(">")) return 4;
  if (rest.starts_with("/>")) return 5;
  if (rest.starts_with(" />")) return 6;
  return 0;
}

}  // namespace

Text markup_breaks_to_lines(Text text) {
  // Written back into the same text: a break never grows (CR LF replaces at
  // least four bytes), so the writing end never passes the reading end.
  std::size_t write = 0;
  std::size_t read = 0;
  const std::string_view s(text);
  while (read < s.size()) {
    const std::size_t next = s.find('<', read);
    const std::size_t plain_end = next == std::string_view::npos ? s.size() : next;
    if (plain_end > read) {
      std::memmove(text.data() + write, text.data() + read, plain_end - read);
      write += plain_end - read;
      read = plain_end;
    }
    if (read >= s.size()) break;
    const std::size_t tag = break_tag_length(s, read);
    if (tag == 0) {
      text[write++] = text[read++];
      continue;
    }
    read += tag;
    if (s.substr(read).starts_with("\r\n")) {
      read += 2;
    } else if (s.substr(read).starts_with("\n")) {
      read += 1;
    }
    text[write++] = '\r';
    text[write++] = '\n';
  }
  text.resize(write);
  return text;
}

}  // namespace lv::scrape
