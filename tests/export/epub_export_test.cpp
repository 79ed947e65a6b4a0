// The EPUB: checked by the reference checker, the same bytes every time, and
// the pages and package document carrying the book's texts escaped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "export/book_export.h"
#include "export/epub_package.h"
#include "export_test_support.h"

namespace {

using lv::exporting::epub_entries;
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

TEST(EpubExport, PassesEpubcheckAndGivesTheSameBytesEachTime) {
  const auto dir = lv::test::fresh_dir();
  auto book = lv::test::small_book();
  // A GIF cover, 1 x 1 (header, screen descriptor, no colour table, image, end).
  const std::string gif = std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) +
                          std::string("\xFF\xFF\xFF\x00\x00\x00", 6) +
                          std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B", 16);
  book.cover = lv::base::Bytes::from_string(gif);
  lv::exporting::write_epub(book, dir / "a.epub");
  lv::exporting::write_epub(book, dir / "b.epub");

  const std::string a = lv::test::read_file(dir / "a.epub");
  EXPECT_EQ(a, lv::test::read_file(dir / "b.epub"));

  // The first local header: "mimetype", stored (method 0), no extra field, then its content.
  ASSERT_GT(a.size(), 58u);
  EXPECT_EQ(a.substr(0, 4), std::string("PK\x03\x04", 4));
  EXPECT_EQ(u16_at(a, 8), 0u);
  EXPECT_EQ(u16_at(a, 26), 8u);
  EXPECT_EQ(u16_at(a, 28), 0u);
  EXPECT_EQ(a.substr(30, 8 + 20), "mimetypeapplication/epub+zip");

  const auto report = dir / "epubcheck.txt";
  // Debian's /usr/bin/epubcheck is the jar itself, which runs directly only
  // where the kernel has been taught to start jars; java runs it anywhere.
  // The quick compiler alone and the serial collector halve the checker's
  // start-up for one small book.
  const std::string command =
      "java -XX:TieredStopAtLevel=1 -XX:+UseSerialGC -jar /usr/bin/epubcheck '" +
      (dir / "a.epub").string() + "' > '" + report.string() + "' 2>&1";
  const int status = std::system(command.c_str());
  const std::string output = lv::test::read_file(report);
  EXPECT_EQ(status, 0) << output;
  EXPECT_NE(output.find("No errors or warnings detected"), std::string::npos) << output;
}

TEST(EpubExport, PagesAndPackageCarryTheBookEscaped) {
  const auto entries = epub_entries(lv::test::small_book());
  ASSERT_EQ(entries.front().name, "mimetype");
  EXPECT_FALSE(entries.front().compress);

  EXPECT_EQ(body_of(entry(entries, "OEBPS/text/c0001.xhtml")),
            "<h1>第一章 出发</h1>\n"
            "<p>　　他说：&quot;&lt;走&gt;&quot; &amp; 笑。</p>\n"
            "<p>第二段&#39;引号&#39;。</p>\n");
  EXPECT_EQ(body_of(entry(entries, "OEBPS/text/c0002.xhtml")),
            "<h1>第二章 归来</h1>\n<p>本章未能取回：服务器答复错误 HTTP 404</p>\n");
  EXPECT_EQ(body_of(entry(entries, "OEBPS/text/c0003.xhtml")), "<h1>第3章</h1>\n<p>最后一行。</p>\n");

  const std::string& opf = entry(entries, "OEBPS/content.opf");
  for (const char* expected : {
           // The name-based UUID of the address in the URL namespace.
           "<dc:identifier id=\"book-id\">urn:uuid:50e91f52-9d37-58ab-b20a-7bd72288e621</dc:identifier>",
           "<dc:title>风雪&amp;归人</dc:title>", "<dc:creator>张三</dc:creator>",
           "<dc:language>zh</dc:language>",
           "<dc:description>　　一个关于风雪的故事。\n第二行。</dc:description>",
           "<meta property=\"dcterms:modified\">2023-11-14T22:13:20Z</meta>"}) {
    EXPECT_NE(opf.find(expected), std::string::npos) << expected << "\n" << opf;
  }
  EXPECT_EQ(opf.find("cover"), std::string::npos) << "no cover bytes, no cover";

  const std::string& nav = entry(entries, "OEBPS/nav.xhtml");
  const std::string& ncx = entry(entries, "OEBPS/toc.ncx");
  for (const char* title : {"第一章 出发", "第二章 归来", "第3章"}) {
    EXPECT_NE(nav.find(title), std::string::npos) << title;
    EXPECT_NE(ncx.find(title), std::string::npos) << title;
  }
  EXPECT_NE(ncx.find("<meta name=\"dtb:uid\" content=\"urn:uuid:50e91f52-"), std::string::npos);
}

}  // namespace
