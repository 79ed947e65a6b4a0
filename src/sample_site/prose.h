#pragma once
// Generated novel text: chapter bodies and synopses, GBK.
#include <string>
#include <vector>

#include "sample_site/book_model.h"

namespace lv::site {

// The chapter's text as it sits between <div id="BookText"> and </div>:
// starting with CR LF, paragraphs indented and separated per the book's style,
// ending with CR LF. Between 5 and 12 KB.
std::string chapter_text(const BookModel& book, int chapter);

// Two to three synopsis sentences, each ending with its full stop.
std::vector<std::string> synopsis(const BookModel& book);

// `text` with every '@' outside a double-byte character replaced by `name`.
std::string fill_name(const std::string& text, const std::string& name);

}  // namespace lv::site
