// hostile-site: a server that answers the way a broken or hostile site does,
// for measuring what the program spends on it (peak memory with
// /usr/bin/time -v, time). Not a test: it serves until killed.
//
//   /endless                 200, a chunked body that never ends
//   /utf8                    --listing-mb megabytes of bytes that are no UTF-8, served as UTF-8
//   /junk-chapter/           a book page whose one chapter is --chapter-mb megabytes of bytes that are no GBK
//   /sort2/N.html            a listing page of --listing-mb megabytes of filler (no rows)
//   /book/...                the sample site's pages, with every chapter text
//                            inflated to --chapter-mb megabytes
#include <httplib.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "sample_site/sample_site.h"

namespace {

std::string inflate_chapter(std::string page, std::size_t megabytes) {
  const std::string marker = "<div id=\"BookText\">\r\n";
  const std::size_t at = page.find(marker);
  if (at == std::string::npos) return page;
  // "修真" in GBK, two paragraphs' worth per line.
  const std::string line = "&nbsp;&nbsp;&nbsp;&nbsp;\xD0\xDE\xD5\xE6\xD0\xDE\xD5\xE6\xD0\xDE\xD5\xE6<br /><br />";
  std::string filler;
  filler.reserve(megabytes << 20);
  while (filler.size() + line.size() <= (megabytes << 20)) filler += line;
  page.insert(at + marker.size(), filler);
  return page;
}

}  // namespace

int main(int argc, char** argv) {
  int port = 0;
  std::size_t chapter_mb = 50;
  std::size_t listing_mb = 70;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    const long value = std::strtol(argv[i + 1], nullptr, 10);
    if (arg == "--port") port = static_cast<int>(value);
    else if (arg == "--chapter-mb") chapter_mb = static_cast<std::size_t>(value);
    else if (arg == "--listing-mb") listing_mb = static_cast<std::size_t>(value);
  }
  lv::site::SampleSite site;
  httplib::Server server;
  server.Get("/endless", [](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("text/html", [](std::size_t, httplib::DataSink& sink) {
      static const std::string chunk(1 << 20, 'a');
      return sink.write(chunk.data(), chunk.size());
    });
  });
  server.Get("/utf8", [listing_mb](const httplib::Request&, httplib::Response& res) {
    auto body = std::make_shared<std::string>(listing_mb << 20, '\xFF');
    res.set_content_provider(body->size(), "text/html; charset=utf-8",
                             [body](std::size_t offset, std::size_t size, httplib::DataSink& sink) {
                               return sink.write(body->data() + offset, std::min(size, body->size() - offset));
                             });
  });
  server.Get("/junk-chapter/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" \"x\">\r\n<html><head></head>"
                    "<body><h1>junk</h1><dl>\r\n<dd><a href=\"1.html\" title=\"\xB5\xDA" "1\">\xB5\xDA" "1</a></dd>\r\n"
                    "</dl></body></html>\r\n",
                    "text/html; charset=gbk");
  });
  server.Get("/junk-chapter/1.html", [chapter_mb](const httplib::Request&, httplib::Response& res) {
    std::string page = "<table><tr><td></td></tr></table>\r\n<div id=\"BookText\">\r\n";
    page.append(chapter_mb << 20, '\xFF');
    page += "</div>\r\n<div class=\"share\"></div>\r\n";
    res.set_content(page, "text/html; charset=gbk");
  });
  server.Get(R"(/sort2/\d+\.html)", [listing_mb](const httplib::Request&, httplib::Response& res) {
    auto body = std::make_shared<std::string>(listing_mb << 20, 'b');
    res.set_content_provider(body->size(), "text/html; charset=gbk",
                             [body](std::size_t offset, std::size_t size, httplib::DataSink& sink) {
                               return sink.write(body->data() + offset, std::min(size, body->size() - offset));
                             });
  });
  server.Get(".*", [&site, chapter_mb](const httplib::Request& req, httplib::Response& res) {
    auto page = site.get(req.path, req.get_header_value("Host"));
    if (!page) {
      res.status = 404;
      return;
    }
    const bool chapter = req.path.size() > 5 && req.path.ends_with(".html") && req.path.rfind("/book/", 0) == 0;
    res.set_content(chapter ? inflate_chapter(page->body, chapter_mb) : page->body, page->content_type);
  });
  const int bound = port == 0 ? server.bind_to_any_port("127.0.0.1") : (server.bind_to_port("127.0.0.1", port) ? port : -1);
  if (bound <= 0) return 1;
  std::printf("127.0.0.1:%d\n", bound);
  std::fflush(stdout);
  server.listen_after_bind();
}
