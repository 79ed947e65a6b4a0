// Downloads of listing pages from the sample site on loopback, beside plain
// libcurl reusing one easy handle for the same addresses; and the gzip
// decoder beside zlib's own gzip inflate on the same data.
#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <zlib.h>

#include <cstdlib>
#include <string>

#include "net/download.h"
#include "net/gzip.h"
#include "sample_site/sample_server.h"

namespace {

constexpr int kPages = 146;

lv::site::SampleServer& server() {
  static lv::site::SampleServer* s = [] {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) ::unsetenv(name);
    auto* started = new lv::site::SampleServer();
    if (!started->start()) std::abort();
    return started;
  }();
  return *s;
}

std::string listing_url(int n) {
  return "http://" + server().site_host() + "/sort2/" + std::to_string(n % kPages + 1) + ".html";
}

void BM_DownloadListingPage(benchmark::State& state) {
  std::int64_t bytes = 0;
  int n = 0;
  for (auto _ : state) {
    const std::string page = lv::net::download_text(listing_url(n++));
    if (page.empty()) state.SkipWithError("empty page");
    bytes += static_cast<std::int64_t>(page.size());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_DownloadListingPage)->Unit(benchmark::kMicrosecond)->UseRealTime();

std::size_t append_body(char* data, std::size_t size, std::size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

// range(0) = 1: a new connection for every page, as each download makes.
void BM_CurlEasyReuse(benchmark::State& state) {
  server();
  CURL* easy = curl_easy_init();
  if (state.range(0) == 1) {
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
  }
  std::string body;
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, append_body);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  std::int64_t bytes = 0;
  int n = 0;
  for (auto _ : state) {
    body.clear();
    const std::string url = listing_url(n++);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    if (curl_easy_perform(easy) != CURLE_OK || body.empty()) state.SkipWithError("curl failed");
    bytes += static_cast<std::int64_t>(body.size());
  }
  curl_easy_cleanup(easy);
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_CurlEasyReuse)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Listing pages back to back, about 2 MB, gzip-compressed once.
const std::string& plain_pages() {
  static const std::string pages = [] {
    std::string all;
    for (int n = 0; all.size() < (2u << 20); ++n) all += lv::net::download_text(listing_url(n));
    return all;
  }();
  return pages;
}

const std::string& packed_pages() {
  static const std::string packed = [] {
    const std::string& in = plain_pages();
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(in.size())) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
  }();
  return packed;
}

void BM_GzipDecode(benchmark::State& state) {
  const std::string& packed = packed_pages();
  for (auto _ : state) {
    std::string out = lv::net::gzip_decode(packed);
    if (out.size() != plain_pages().size()) state.SkipWithError("wrong size");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(plain_pages().size()));
}
BENCHMARK(BM_GzipDecode)->Unit(benchmark::kMicrosecond);

void BM_ZlibGzipInflate(benchmark::State& state) {
  const std::string& packed = packed_pages();
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, 31);
    std::string out(plain_pages().size(), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("inflate failed");
    inflateEnd(&z);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(plain_pages().size()));
}
BENCHMARK(BM_ZlibGzipInflate)->Unit(benchmark::kMicrosecond);

}  // namespace
