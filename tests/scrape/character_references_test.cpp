// Character references shown as the characters they stand for.
#include "scrape/character_references.h"

#include <gtest/gtest.h>

#include "base/code_page.h"

namespace {

using lv::base::gbk;
using lv::base::Text;
using lv::scrape::decode_character_references;

TEST(CharacterReferences, DecodeOnceAndLeaveWhatIsNoReference) {
  const std::pair<const char*, const char*> cases[] = {
      {"&amp;&lt;&gt;&quot;&apos;", "&<>\"'"},
      {"&amp;lt; &amp;amp;", "&lt; &amp;"},  // one pass
      {"剑&hellip;&mdash;&middot;心", "剑…—·心"},
      {"&eacute;&Alpha;&times;&sup2;", "éΑ×?"},  // GBK has no superscript two
      {"&#25105;&#x6211;&#X6211;&#0065;", "我我我A"},
      {"&nbsp;&#160;&#xA0;", "   "},
      {"&#x1F600;&#x10FFFF;", "??"},
      {"&euro;&#8364;", "€€"},  // GBK writes it as the one byte 80
      // An unknown name, a name in the wrong case, no ";", no digits, a name too long.
      {"&bogus; &AMP; &amp &#65 &#; &#x; &thetasymx; & amp; &", "&bogus; &AMP; &amp &#65 &#; &#x; &thetasymx; & amp; &"},
      // U+0000, a surrogate, beyond U+10FFFF, however many digits.
      {"&#0; &#xD800; &#xDFFF; &#x110000; &#99999999999999999999;",
       "&#0; &#xD800; &#xDFFF; &#x110000; &#99999999999999999999;"},
      {"&&amp;;", "&&;"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) {
    EXPECT_EQ(decode_character_references(gbk(in)), gbk(out)) << in;
  }
}

TEST(CharacterReferences, AnAmpersandInsideADoubleByteCharacterIsNoReference) {
  // 81 26 is one (unmapped) character: the '&' is its second byte.
  EXPECT_EQ(decode_character_references("\x81&amp;"), "\x81&amp;");
  EXPECT_EQ(decode_character_references("\x81\x40&amp;"), "\x81\x40&");
}

}  // namespace
