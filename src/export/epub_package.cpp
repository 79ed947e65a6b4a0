#include "export/epub_package.h"

#include <cstdio>
#include <optional>

#include "export/book_export.h"
#include "export/book_text.h"
#include "export/name_uuid.h"
#include "export/parallel_for.h"
#include "export/utc_time.h"
#include "export/xml_text.h"

namespace lv::exporting {
namespace {

using lv::library::StoredBook;
using lv::library::StoredChapter;

constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

// The book's own look: paragraphs indented by two characters (the site's
// leading spaces are dropped for it), room between the lines, headings centred.
constexpr const char* kStylesheet =
    "@charset \"utf-8\";\n"
    "body { margin: 0 0.5em; line-height: 1.8; }\n"
    "h1 { text-align: center; font-size: 1.4em; line-height: 1.4; margin: 1em 0 1.5em; }\n"
    "p { text-indent: 2em; margin: 0 0 0.5em; text-align: justify; }\n"
    "div.cover { text-align: center; margin: 0; padding: 0; }\n"
    "div.cover img { max-width: 100%; max-height: 100%; }\n"
    "section.title-page h1 { font-size: 1.8em; margin: 3em 0 1em; }\n"
    "section.title-page p.author { text-indent: 0; text-align: center; margin-bottom: 2em; }\n"
    "nav ol { list-style-type: none; }\n";

// Our own words for the pages' names, in the book's script.
struct Words {
  std::string contents, author_label, cover, title_page, body;
};

// Everything a page needs to know of the book, in UTF-8 and escaped once.
struct BookFacts {
  std::string identifier;  // "urn:uuid:..."
  std::string language;    // "zh", "zh-Hant", "zh-Hans"
  std::string title;       // escaped
  std::string author;      // escaped; may be empty
  std::string synopsis;    // escaped lines joined by line feeds; may be empty
  std::vector<std::string> synopsis_lines;  // escaped, without their leading spaces
  std::string address;     // escaped
  std::string modified;
  std::optional<EpubCover> cover;
  CoverProblem cover_problem = CoverProblem::none;
  std::vector<std::string> chapter_titles;  // escaped
  Words words;             // escaped
};

std::string chapter_id(std::size_t position) {
  char id[24];
  std::snprintf(id, sizeof id, "c%04zu", position + 1);
  return id;
}

std::string chapter_file(std::size_t position) { return "text/" + chapter_id(position) + ".xhtml"; }

constexpr const char* kTitlePageFile = "title.xhtml";

// `css` is the stylesheet's address from the page.
std::string xhtml_start(const BookFacts& f, const std::string& title, const char* css, bool epub_namespace = false) {
  std::string page = kXmlDeclaration;
  page += "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\"";
  if (epub_namespace) page += " xmlns:epub=\"http://www.idpf.org/2007/ops\"";
  page += " xml:lang=\"" + f.language + "\" lang=\"" + f.language + "\">\n<head>\n<title>" + title +
          "</title>\n<link rel=\"stylesheet\" type=\"text/css\" href=\"" + css + "\"/>\n</head>\n<body>\n";
  return page;
}

constexpr const char* kXhtmlEnd = "</body>\n</html>\n";

void append_paragraph(std::string& page, std::string_view utf8_line) {
  page += "<p>";
  append_xml(page, without_leading_spaces_utf8(utf8_line));
  page += "</p>\n";
}

BookFacts facts_of(const StoredBook& book, const ChineseConverter* converter, ChineseScript script) {
  BookFacts f;
  f.identifier = "urn:uuid:" + url_uuid(book.book);
  f.language = language_tag(script);
  f.title = xml_escaped(shown_utf8(book_title(book), converter));
  f.author = xml_escaped(shown_utf8(author_name(book.details.author), converter));
  const std::string intro = shown_utf8(book.details.intro, converter);
  for (std::string_view line : split_lines(intro)) {
    if (is_blank_utf8(line)) continue;
    if (!f.synopsis.empty()) f.synopsis += '\n';
    append_xml(f.synopsis, line);
    f.synopsis_lines.push_back(xml_escaped(without_leading_spaces_utf8(line)));
  }
  f.address = xml_escaped(book.book);
  f.modified = utc_time_text(utc_time(book.updated_at));
  CoverOutcome cover = epub_cover(book.cover);
  f.cover = std::move(cover.cover);
  f.cover_problem = cover.problem;
  f.chapter_titles.reserve(book.chapters.size());
  for (std::size_t i = 0; i < book.chapters.size(); ++i) {
    f.chapter_titles.push_back(xml_escaped(shown_utf8(chapter_title(book.chapters[i], i), converter)));
  }
  const auto word = [&](std::string utf8) { return xml_escaped(shown_words(std::move(utf8), converter)); };
  f.words = {word("目录"), word("作者："), word("封面"), word("书名页"), word("正文")};
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
         "unique-identifier=\"book-id\" xml:lang=\"" + f.language + "\">\n"
         "<metadata xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n";
  opf += "<dc:identifier id=\"book-id\">" + f.identifier + "</dc:identifier>\n";
  opf += "<dc:title>" + f.title + "</dc:title>\n";
  if (!f.author.empty()) opf += "<dc:creator>" + f.author + "</dc:creator>\n";
  opf += "<dc:language>" + f.language + "</dc:language>\n";
  if (!f.synopsis.empty()) opf += "<dc:description>" + f.synopsis + "</dc:description>\n";
  opf += "<dc:source>" + f.address + "</dc:source>\n";
  opf += "<meta property=\"dcterms:modified\">" + f.modified + "</meta>\n";
  if (f.cover) opf += "<meta name=\"cover\" content=\"cover-image\"/>\n";  // for EPUB 2 readers
  opf += "</metadata>\n<manifest>\n"
         "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>\n"
         "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n"
         "<item id=\"style\" href=\"style.css\" media-type=\"text/css\"/>\n";
  if (f.cover) {
    opf += "<item id=\"cover-image\" href=\"" + cover_file(f) + "\" media-type=\"" +
           f.cover->media_type + "\" properties=\"cover-image\"/>\n";
    opf += "<item id=\"cover\" href=\"cover.xhtml\" media-type=\"application/xhtml+xml\"/>\n";
  }
  opf += "<item id=\"title-page\" href=\"" + std::string(kTitlePageFile) + "\" media-type=\"application/xhtml+xml\"/>\n";
  for (std::size_t i = 0; i < f.chapter_titles.size(); ++i) {
    opf += "<item id=\"" + chapter_id(i) + "\" href=\"" + chapter_file(i) +
           "\" media-type=\"application/xhtml+xml\"/>\n";
  }
  opf += "</manifest>\n<spine toc=\"ncx\">\n";
  if (f.cover) opf += "<itemref idref=\"cover\"/>\n";
  opf += "<itemref idref=\"title-page\"/>\n";
  for (std::size_t i = 0; i < f.chapter_titles.size(); ++i) {
    opf += "<itemref idref=\"" + chapter_id(i) + "\"/>\n";
  }
  opf += "</spine>\n";
  // For readers and converters that know EPUB 2 only: which page is the
  // cover (so none of them makes a second one), the title page, the start.
  opf += "<guide>\n";
  if (f.cover) opf += "<reference type=\"cover\" title=\"" + f.words.cover + "\" href=\"cover.xhtml\"/>\n";
  opf += "<reference type=\"title-page\" title=\"" + f.words.title_page + "\" href=\"" + kTitlePageFile + "\"/>\n";
  opf += "<reference type=\"text\" title=\"" + f.words.body + "\" href=\"" + chapter_file(0) + "\"/>\n";
  opf += "</guide>\n</package>\n";
  return opf;
}

std::string nav_xhtml(const BookFacts& f) {
  std::string nav = xhtml_start(f, f.words.contents, "style.css", true);
  nav += "<nav epub:type=\"toc\" id=\"toc\">\n<h1>" + f.words.contents + "</h1>\n<ol>\n";
  for (std::size_t i = 0; i < f.chapter_titles.size(); ++i) {
    nav += "<li><a href=\"" + chapter_file(i) + "\">" + f.chapter_titles[i] + "</a></li>\n";
  }
  nav += "</ol>\n</nav>\n";
  nav += "<nav epub:type=\"landmarks\" id=\"landmarks\" hidden=\"hidden\">\n<ol>\n";
  if (f.cover) nav += "<li><a epub:type=\"cover\" href=\"cover.xhtml\">" + f.words.cover + "</a></li>\n";
  nav += "<li><a epub:type=\"titlepage\" href=\"" + std::string(kTitlePageFile) + "\">" + f.words.title_page +
         "</a></li>\n";
  nav += "<li><a epub:type=\"bodymatter\" href=\"" + chapter_file(0) + "\">" + f.words.body + "</a></li>\n";
  nav += "</ol>\n</nav>\n";
  nav += kXhtmlEnd;
  return nav;
}

std::string toc_ncx(const BookFacts& f) {
  std::string ncx = kXmlDeclaration;
  ncx += "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" version=\"2005-1\" xml:lang=\"" + f.language + "\">\n"
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
  std::string page = xhtml_start(f, f.words.cover, "style.css");
  page += "<div class=\"cover\"><img src=\"" + cover_file(f) + "\" alt=\"" + f.title + "\"/></div>\n";
  page += kXhtmlEnd;
  return page;
}

// The title, the author and the synopsis, as the text file begins.
std::string title_xhtml(const BookFacts& f) {
  std::string page = xhtml_start(f, f.title, "style.css", true);
  page += "<section class=\"title-page\" epub:type=\"titlepage\">\n<h1>" + f.title + "</h1>\n";
  if (!f.author.empty()) page += "<p class=\"author\">" + f.words.author_label + f.author + "</p>\n";
  for (const std::string& line : f.synopsis_lines) page += "<p>" + line + "</p>\n";
  page += "</section>\n";
  page += kXhtmlEnd;
  return page;
}

std::string chapter_xhtml(const BookFacts& f, const StoredChapter& chapter, std::size_t position,
                          const ChineseConverter* converter) {
  const std::string& title = f.chapter_titles[position];
  std::string page = xhtml_start(f, title, "../style.css");
  page += "<h1>" + title + "</h1>\n";
  if (!chapter.stored) {
    append_paragraph(page, shown_words(missing_note_utf8(chapter), converter));
  } else {
    const std::string text =
        shown_utf8(without_repeated_title(chapter.text, chapter_title(chapter, position)), converter);
    page.reserve(page.size() + text.size() + text.size() / 8);
    for (std::string_view line : split_lines(text)) {
      if (!is_blank_utf8(line)) append_paragraph(page, line);
    }
  }
  page += kXhtmlEnd;
  return page;
}

}  // namespace

EpubPackage epub_package(const StoredBook& book, ChineseScript script) {
  require_exportable(book);
  const ChineseConverter* converter = converter_for(script);
  const BookFacts f = facts_of(book, converter, script);

  EpubPackage package;
  package.cover_problem = f.cover_problem;
  std::vector<PackageEntry>& entries = package.entries;
  entries.reserve(book.chapters.size() + 10);
  entries.push_back({"mimetype", "application/epub+zip", false});
  entries.push_back({"META-INF/container.xml", container_xml(), true});
  entries.push_back({"OEBPS/content.opf", package_opf(f), true});
  entries.push_back({"OEBPS/nav.xhtml", nav_xhtml(f), true});
  entries.push_back({"OEBPS/toc.ncx", toc_ncx(f), true});
  entries.push_back({"OEBPS/style.css", kStylesheet, true});
  if (f.cover) {
    // Pictures are compressed already; deflating them again only costs time.
    entries.push_back({"OEBPS/" + cover_file(f), f.cover->bytes, false});
    entries.push_back({"OEBPS/cover.xhtml", cover_xhtml(f), true});
  }
  entries.push_back({"OEBPS/" + std::string(kTitlePageFile), title_xhtml(f), true});
  // The chapters' pages are most of the work (the script conversion above
  // all), and each is made on its own.
  const std::size_t first_chapter = entries.size();
  entries.resize(first_chapter + book.chapters.size());
  parallel_for(book.chapters.size(), [&](std::size_t i) {
    entries[first_chapter + i] = {"OEBPS/" + chapter_file(i), chapter_xhtml(f, book.chapters[i], i, converter), true};
  });
  return package;
}

}  // namespace lv::exporting
