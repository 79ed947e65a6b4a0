#include "export/epub_package.h"

#include <cstdio>
#include <optional>

#include "base/code_page.h"
#include "export/book_export.h"
#include "export/book_text.h"
#include "export/cover_image.h"
#include "export/name_uuid.h"
#include "export/utc_time.h"
#include "export/xml_text.h"

namespace lv::exporting {
namespace {

using lv::base::gbk_to_utf8;
using lv::library::StoredBook;
using lv::library::StoredChapter;

constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

// Everything a page needs to know of the book, in UTF-8 and escaped once.
struct BookFacts {
  std::string identifier;  // "urn:uuid:..."
  std::string title;       // escaped
  std::string author;      // escaped; may be empty
  std::string synopsis;    // escaped lines joined by line feeds; may be empty
  std::string address;     // escaped
  std::string modified;
  std::optional<EpubCover> cover;
  std::vector<std::string> chapter_titles;  // escaped
};

std::string chapter_id(std::size_t position) {
  char id[24];
  std::snprintf(id, sizeof id, "c%04zu", position + 1);
  return id;
}

std::string chapter_file(std::size_t position) { return "text/" + chapter_id(position) + ".xhtml"; }

std::string xhtml_start(const std::string& title, bool epub_namespace = false) {
  std::string page = kXmlDeclaration;
  page += "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"";
  if (epub_namespace) page += " xmlns:epub=\"http://www.idpf.org/2007/ops\"";
  page += " xml:lang=\"zh\" lang=\"zh\">\n<head>\n<title>" + title + "</title>\n</head>\n<body>\n";
  return page;
}

constexpr const char* kXhtmlEnd = "</body>\n</html>\n";

BookFacts facts_of(const StoredBook& book) {
  BookFacts f;
  f.identifier = "urn:uuid:" + url_uuid(book.book);
  f.title = xml_escaped(gbk_to_utf8(book_title(book)));
  f.author = xml_escaped(gbk_to_utf8(author_name(book.details.author)));
  const std::string intro = gbk_to_utf8(book.details.intro);
  for (std::string_view line : split_lines(intro)) {
    if (is_blank_utf8(line)) continue;
    if (!f.synopsis.empty()) f.synopsis += '\n';
    append_xml(f.synopsis, line);
  }
  f.address = xml_escaped(book.book);
  f.modified = utc_time_text(utc_time(book.updated_at));
  f.cover = epub_cover(book.cover);
  f.chapter_titles.reserve(book.chapters.size());
  for (std::size_t i = 0; i < book.chapters.size(); ++i) {
    f.chapter_titles.push_back(xml_escaped(gbk_to_utf8(chapter_title(book.chapters[i], i))));
  }
  return f;
}

std::string container_xml() {
  return std::string(kXmlDeclaration) +
         "<container version=\"1.0\" xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
         "<rootfiles>\n"
         "<rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>\n"
         "</rootfiles>\n"
         "</container>\n";
}

std::string cover_file(const BookFacts& f) { return "images/cover." + f.cover->extension; }

std::string package_opf(const BookFacts& f) {
  std::string opf = kXmlDeclaration;
  opf += "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
         "unique-identifier=\"book-id\" xml:lang=\"zh\">\n"
         "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n";
  opf += "<dc:identifier id=\"book-id\">" + f.identifier + "</dc:identifier>\n";
  opf += "<dc:title>" + f.title + "</dc:title>\n";
  if (!f.author.empty()) opf += "<dc:creator>" + f.author + "</dc:creator>\n";
  opf += "<dc:language>zh</dc:language>\n";
  if (!f.synopsis.empty()) opf += "<dc:description>" + f.synopsis + "</dc:description>\n";
  opf += "<dc:source>" + f.address + "</dc:source>\n";
  opf += "<meta property=\"dcterms:modified\">" + f.modified + "</meta>\n";
  if (f.cover) opf += "<meta name=\"cover\" content=\"cover-image\"/>\n";  // for EPUB 2 readers
  opf += "</metadata>\n<manifest>\n"
         "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n"
         "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n";
  if (f.cover) {
    opf += "<item id=\"cover-image\" href=\"" + cover_file(f) + "\" media-type=\"" +
           f.cover->media_type + "\" properties=\"cover-image\"/>\n";
    opf += "<item id=\"cover\" href=\"cover.xhtml\" media-type=\"application/xhtml+xml\"/>\n";
  }
  for (std::size_t i = 0; i < f.chapter_titles.size(); ++i) {
    opf += "<item id=\"" + chapter_id(i) + "\" href=\"" + chapter_file(i) +
           "\" media-type=\"application/xhtml+xml\"/>\n";
  }
  opf += "</manifest>\n<spine toc=\"ncx\">\n";
  if (f.cover) opf += "<itemref idref=\"cover\"/>\n";
  for (std::size_t i = 0; i < f.chapter_titles.size(); ++i) {
    opf += "<itemref idref=\"" + chapter_id(i) + "\"/>\n";
  }
  opf += "</spine>\n</package>\n";
  return opf;
}

std::string nav_xhtml(const BookFacts& f) {
  std::string nav = xhtml_start("目录", true);
  nav += "<nav epub:type=\"toc\" id=\"toc\">\n<h1>目录</h1>\n<ol>\n";
  for (std::size_t i = 0; i < f.chapter_titles.size(); ++i) {
    nav += "<li><a href=\"" + chapter_file(i) + "\">" + f.chapter_titles[i] + "</a></li>\n";
  }
  nav += "</ol>\n</nav>\n";
  nav += kXhtmlEnd;
  return nav;
}

std::string toc_ncx(const BookFacts& f) {
  std::string ncx = kXmlDeclaration;
  ncx += "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\" xml:lang=\"zh\">\n"
         "<head>\n";
  ncx += "<meta name=\"dtb:uid\" content=\"" + f.identifier + "\"/>\n";
  ncx += "<meta name=\"dtb:depth\" content=\"1\"/>\n"
         "<meta name=\"dtb:totalPageCount\" content=\"0\"/>\n"
         "<meta name=\"dtb:maxPageNumber\" content=\"0\"/>\n"
         "</head>\n";
  ncx += "<docTitle><text>" + f.title + "</text></docTitle>\n";
  if (!f.author.empty()) ncx += "<docAuthor><text>" + f.author + "</text></docAuthor>\n";
  ncx += "<navMap>\n";
  for (std::size_t i = 0; i < f.chapter_titles.size(); ++i) {
    const std::string order = std::to_string(i + 1);
    ncx += "<navPoint id=\"n" + chapter_id(i).substr(1) + "\" playOrder=\"" + order +
           "\"><navLabel><text>" + f.chapter_titles[i] + "</text></navLabel><content src=\"" +
           chapter_file(i) + "\"/></navPoint>\n";
  }
  ncx += "</navMap>\n</ncx>\n";
  return ncx;
}

std::string cover_xhtml(const BookFacts& f) {
  std::string page = xhtml_start(f.title);
  page += "<div style=\"text-align: center\"><img src=\"" + cover_file(f) + "\" alt=\"" + f.title +
          "\" style=\"max-width: 100%; max-height: 100%\"/></div>\n";
  page += kXhtmlEnd;
  return page;
}

std::string chapter_xhtml(const StoredChapter& chapter, const std::string& title) {
  std::string page = xhtml_start(title);
  page += "<h1>" + title + "</h1>\n";
  if (!chapter.stored) {
    page += "<p>";
    append_xml(page, missing_note_utf8(chapter));
    page += "</p>\n";
  } else {
    const std::string text = gbk_to_utf8(chapter.text);
    page.reserve(page.size() + text.size() + text.size() / 8);
    for (std::string_view line : split_lines(text)) {
      if (is_blank_utf8(line)) continue;
      page += "<p>";
      append_xml(page, line);
      page += "</p>\n";
    }
  }
  page += kXhtmlEnd;
  return page;
}

}  // namespace

std::vector<PackageEntry> epub_entries(const StoredBook& book) {
  require_exportable(book);
  const BookFacts f = facts_of(book);

  std::vector<PackageEntry> entries;
  entries.reserve(book.chapters.size() + 8);
  entries.push_back({"mimetype", "application/epub+zip", false});
  entries.push_back({"META-INF/container.xml", container_xml(), true});
  entries.push_back({"OEBPS/content.opf", package_opf(f), true});
  entries.push_back({"OEBPS/nav.xhtml", nav_xhtml(f), true});
  entries.push_back({"OEBPS/toc.ncx", toc_ncx(f), true});
  if (f.cover) {
    // Pictures are compressed already; deflating them again only costs time.
    entries.push_back({"OEBPS/" + cover_file(f), f.cover->bytes, false});
    entries.push_back({"OEBPS/cover.xhtml", cover_xhtml(f), true});
  }
  for (std::size_t i = 0; i < book.chapters.size(); ++i) {
    entries.push_back({"OEBPS/" + chapter_file(i), chapter_xhtml(book.chapters[i], f.chapter_titles[i]), true});
  }
  return entries;
}

}  // namespace lv::exporting
