// Texts from the network made safe for the book's XML.
#include <gtest/gtest.h>

#include "export/xml_text.h"

namespace {

TEST(XmlText, EscapesMarkupAndDropsWhatXmlCannotHold) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"a & b < c > d \"e\" 'f'", "a &amp; b &lt; c &gt; d &quot;e&quot; &#39;f&#39;"},
      {"&amp;", "&amp;amp;"},
      {"风雪", "风雪"},
      {"tab\tand\r\nline", "tab\tand\r\nline"},
      {std::string("a\x00" "b\x01\x1F" "c\x7F", 7), "abc\x7F"},       // C0 controls dropped
      {"x\xEF\xBF\xBEy\xEF\xBF\xBFz", "xyz"},                    // U+FFFE, U+FFFF
      {"\xB7\xE7!", "\xEF\xBF\xBD\xEF\xBF\xBD!"},               // GBK bytes, not UTF-8
      {"\xC0\xAF\xE0\x80\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // overlong
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
      {"\xF0\x9F\x98\x80 \xF4\x90\x80\x80", "\xF0\x9F\x98\x80 \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"end\xE9\xA3", "end\xEF\xBF\xBD\xEF\xBF\xBD"},             // cut off
  };
  for (const auto& c : cases) {
    EXPECT_EQ(lv::exporting::xml_escaped(c.in), c.out) << c.in;
  }
}

}  // namespace
