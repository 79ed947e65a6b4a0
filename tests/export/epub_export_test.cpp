// The EPUB: checked by the reference checker, the same bytes every time, the
// pages and package document carrying the book's texts escaped, the cover
// and the title page named for readers that look for them, and the texts in
// the script asked for.
#include <gtest/gtest.h>

#include <algorithm>

#include "export/book_export.h"
#include "export/epub_package.h"
#include "export_test_support.h"
#include "support/epubcheck.h"

namespace {

using lv::exporting::ChineseScript;
using lv::exporting::epub_package;
using lv::exporting::PackageEntry;

const std::string& entry(const std::vector<PackageEntry>& entries, const std::string& name) {
  const auto it = std::find_if(entries.begin(), entries.end(),
                               [&](const PackageEntry& e) { return e.name == name; });
  if (it == entries.end()) throw std::runtime_error("no entry " + name);
  return it->data;
}

std::string body_of(const std::string& page) {
  const auto start = page.find("<body>\n"), end = page.find("</body>");
  return page.substr(start + 7, end - start - 7);
}

unsigned u16_at(const std::string& s, std::size_t at) {
  return static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}

// A GIF cover, 1 x 1 (header, screen descriptor, colour table, image, end).
const std::string kGif = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) +
                         std::string("\xFF\xFF\xFF\x00\x00\x00", 6) +
                         std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B", 16);

TEST(EpubExport, PassesEpubcheckAndGivesTheSameBytesEachTime) {
  const auto dir = lv::test::fresh_dir();
  auto book = lv::test::small_book();
  book.cover = lv::base::Bytes::from_string(kGif);
  EXPECT_EQ(lv::exporting::write_epub(book, dir / "a.epub").cover_problem, lv::exporting::CoverProblem::none);
  lv::exporting::write_epub(book, dir / "b.epub");
  // An error page served as the cover, in Traditional characters.
  auto broken = book;
  broken.cover = lv::base::Bytes::from_string("<html><body>404</body></html>");
  EXPECT_EQ(lv::exporting::write_epub(broken, dir / "c.epub", ChineseScript::s2tw).cover_problem,
            lv::exporting::CoverProblem::not_a_picture);

  const std::string a = lv::test::read_file(dir / "a.epub");
  EXPECT_EQ(a, lv::test::read_file(dir / "b.epub"));

  // The first local header: "mimetype", stored (method 0), dated from the
  // book's last change (2023-11-14 22:13:20 UTC), no extra field, then its content.
  ASSERT_GT(a.size(), 58u);
  EXPECT_EQ(a.substr(0, 4), std::string("PK\x03\x04", 4));
  EXPECT_EQ(u16_at(a, 8), 0u);
  EXPECT_EQ(u16_at(a, 10), (22u << 11) | (13u << 5) | (20u / 2));
  EXPECT_EQ(u16_at(a, 12), ((2023u - 1980) << 9) | (11u << 5) | 14u);
  EXPECT_EQ(u16_at(a, 26), 8u);
  EXPECT_EQ(u16_at(a, 28), 0u);
  EXPECT_EQ(a.substr(30, 8 + 20), "mimetypeapplication/epub+zip");

  for (const char* name : {"a.epub", "c.epub"}) {
    EXPECT_EQ(lv::test::epubcheck_problems((dir / name).string()), "") << name;
  }
}

TEST(EpubExport, PagesAndPackageCarryTheBookEscaped) {
  const auto entries = epub_package(lv::test::small_book()).entries;
  ASSERT_EQ(entries.front().name, "mimetype");
  EXPECT_FALSE(entries.front().compress);

  // The repeated title and the leading spaces are gone; the stylesheet indents.
  EXPECT_EQ(body_of(entry(entries, "OEBPS/text/c0001.xhtml")),
            "<h1>第一章 出发</h1>\n"
            "<p>他说：&quot;&lt;走&gt;&quot; &amp; 笑。</p>\n"
            "<p>第二段&#39;引号&#39;。</p>\n");
  EXPECT_EQ(body_of(entry(entries, "OEBPS/text/c0002.xhtml")),
            "<h1>第二章 归来</h1>\n<p>本章未能取回：服务器答复错误 HTTP 404</p>\n");
  EXPECT_EQ(body_of(entry(entries, "OEBPS/text/c0003.xhtml")), "<h1>第3章</h1>\n<p>最后一行。</p>\n");
  EXPECT_NE(entry(entries, "OEBPS/text/c0003.xhtml").find("href=\"../style.css\""), std::string::npos);
  EXPECT_NE(entry(entries, "OEBPS/style.css").find("text-indent: 2em"), std::string::npos);
  // The title page, as the text file begins.
  EXPECT_EQ(body_of(entry(entries, "OEBPS/title.xhtml")),
            "<section class=\"title-page\" epub:type=\"titlepage\">\n<h1>风雪&amp;归人</h1>\n"
            "<p class=\"author\">作者：张三</p>\n<p>一个关于风雪的故事。</p>\n<p>第二行。</p>\n</section>\n");

  const std::string& opf = entry(entries, "OEBPS/content.opf");
  for (const char* expected : {
           // The name-based UUID of the address in the URL namespace.
           "<dc:identifier id=\"book-id\">urn:uuid:50e91f52-9d37-58ab-b20a-7bd72288e621</dc:identifier>",
           "<dc:title>风雪&amp;归人</dc:title>", "<dc:creator>张三</dc:creator>",
           "<dc:language>zh</dc:language>",
           "<dc:description>　　一个关于风雪的故事。\n第二行。</dc:description>",
           "<meta property=\"dcterms:modified\">2023-11-14T22:13:20Z</meta>",
           "<itemref idref=\"title-page\"/>\n<itemref idref=\"c0001\"/>",
           "<reference type=\"title-page\" title=\"书名页\" href=\"title.xhtml\"/>"}) {
    EXPECT_NE(opf.find(expected), std::string::npos) << expected << "\n" << opf;
  }
  EXPECT_EQ(opf.find("cover"), std::string::npos) << "no cover bytes, no cover";

  const std::string& nav = entry(entries, "OEBPS/nav.xhtml");
  const std::string& ncx = entry(entries, "OEBPS/toc.ncx");
  for (const char* title : {"第一章 出发", "第二章 归来", "第3章"}) {
    EXPECT_NE(nav.find(title), std::string::npos) << title;
    EXPECT_NE(ncx.find(title), std::string::npos) << title;
  }
  EXPECT_NE(nav.find("<a epub:type=\"titlepage\" href=\"title.xhtml\">"), std::string::npos);
  EXPECT_NE(nav.find("<a epub:type=\"bodymatter\" href=\"text/c0001.xhtml\">"), std::string::npos);
  EXPECT_NE(ncx.find("<meta name=\"dtb:uid\" content=\"urn:uuid:50e91f52-"), std::string::npos);
}

// Titles, details, texts and the book's own words in Traditional
// characters as written in Taiwan, and the language saying so.
TEST(EpubExport, TextsComeInTheScriptAskedFor) {
  auto book = lv::test::small_book();
  book.details.intro = lv::base::gbk("头发里面");
  book.chapters[0].text = lv::base::gbk("后来他说");
  const auto entries = epub_package(book, ChineseScript::s2tw).entries;
  const std::string& opf = entry(entries, "OEBPS/content.opf");
  for (const char* expected : {"xml:lang=\"zh-Hant\"", "<dc:language>zh-Hant</dc:language>",
                               "<dc:title>風雪&amp;歸人</dc:title>", "<dc:description>頭髮裡面</dc:description>",
                               "title=\"書名頁\""}) {
    EXPECT_NE(opf.find(expected), std::string::npos) << expected << "\n" << opf;
  }
  EXPECT_EQ(body_of(entry(entries, "OEBPS/text/c0001.xhtml")), "<h1>第一章 出發</h1>\n<p>後來他說</p>\n");
  EXPECT_EQ(body_of(entry(entries, "OEBPS/text/c0002.xhtml")),
            "<h1>第二章 歸來</h1>\n<p>本章未能取回：服務器答覆錯誤 HTTP 404</p>\n");
  EXPECT_NE(entry(entries, "OEBPS/nav.xhtml").find("lang=\"zh-Hant\""), std::string::npos);
  EXPECT_NE(entry(entries, "OEBPS/toc.ncx").find("第二章 歸來"), std::string::npos);
  EXPECT_NE(entry(entries, "OEBPS/title.xhtml").find("<p class=\"author\">作者：張三</p>"), std::string::npos);
}

}  // namespace
