#include "net/page_fetch.h"

#include <curl/curl.h>

#include <atomic>

#include "base/text.h"
#include "net/curl_exchange.h"
#include "net/download.h"
#include "net/event_pump.h"

namespace lv::net {
namespace {

using lv::base::find_text;
using namespace detail;

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr std::string_view kAcceptLine =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
constexpr std::string_view kLanguageLine = "Accept-Language: zh-cn\r\n";
constexpr std::string_view kFormTypeLine = "Content-Type: application/x-www-form-urlencoded\r\n";

// With a pump, events run at least this often while the fetch waits for data.
constexpr std::chrono::milliseconds kPumpTurn{10};
constexpr std::chrono::milliseconds kQuietTurn{100};

std::atomic<long long> g_timeout_ms{18000};
std::atomic<long long> g_deadline_ms{120000};

// The header text with the fixed lines completed; each test ignores case.
// Nothing is put between the caller's text and what follows it, so caller
// lines must end in CR LF themselves.
Text complete_fetch_headers(Text headers, std::string_view url, std::string_view verb,
                            std::string_view post_data) {
  auto lacks = [&headers](std::string_view name) { return find_text(headers, name, 1, true) < 1; };
  if (lacks("Accept: ")) headers += kAcceptLine;
  if (lacks("Referer: ")) {
    headers += "Referer: ";
    headers += url;
    headers += "\r\n";
  }
  if (lacks("Accept-Language: ")) headers += kLanguageLine;
  if (verb != "GET" && !post_data.empty()) {
    // Added whatever the caller's lines already say.
    headers += kFormTypeLine;
    headers += "Content-Length: " + std::to_string(post_data.size()) + "\r\n";
  }
  return headers;
}

// The address the request goes to: "http://" + host + ":" + port + path, with
// the bytes a request line cannot carry percent-encoded. "" when unusable.
std::string request_url(std::string_view url) {
  const Text host = url_host(url);
  int port = url_port(url);
  if (port == 0) port = 80;  // "host:" names no port: the scheme's own
  if (host.empty() || port < 1 || port > 65535) return {};
  return "http://" + encode_unsafe(host) + ":" + std::to_string(port) + encode_unsafe(url_path(url));
}

}  // namespace

Text fetch_page(std::string_view url, std::optional<Text> method, std::optional<Text> proxy,
                std::optional<Text> headers, std::optional<Text> post_data, Text* response_headers,
                TransferOutcome* outcome) {
  TransferOutcome ignored;
  TransferOutcome& result = outcome != nullptr ? *outcome : ignored;
  result = TransferOutcome{};
  // A control byte would end the request line or the Referer line early.
  const std::string target = has_control_bytes(url) ? std::string() : request_url(url);
  if (target.empty()) {
    result.end = TransferEnd::bad_address;
    return {};
  }
  EasyHandle easy = make_easy();
  if (!easy) {
    result.detail = "no transfer handle";
    return {};
  }
  CURL* h = easy.get();
  const std::chrono::milliseconds timeout{g_timeout_ms.load()};
  set_common_options(h, timeout, true);
  curl_easy_setopt(h, CURLOPT_URL, target.c_str());
  // The path goes out as the caller wrote it, dot segments included.
  curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(h, CURLOPT_USERAGENT, kAgent);
  // A given proxy, even an empty one, is the http proxy of "http=" + proxy;
  // without one the connection is direct, whatever the environment says.
  const std::string proxy_text = proxy ? *proxy : std::string();
  curl_easy_setopt(h, CURLOPT_PROXY, proxy_text.c_str());
  curl_easy_setopt(h, CURLOPT_NOPROXY, "");

  const bool is_post = method && lv::base::to_upper(*method) == "POST";
  const Text verb = is_post ? *method : Text("GET");
  const Text data = post_data.value_or(Text());
  const Text header_text = complete_fetch_headers(headers.value_or(Text()), url, verb, data);
  HeaderList lines;
  lines.add_lines(header_text);
  lines.suppress("Accept");
  lines.suppress("Expect");
  lines.suppress("Content-Type");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, lines.get());
  if (verb != "GET") {
    if (!data.empty()) {
      curl_easy_setopt(h, CURLOPT_POST, 1L);
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(data.size()));
      curl_easy_setopt(h, CURLOPT_POSTFIELDS, data.data());
    }
    // curl names a POST with a body itself; any other spelling, or a POST
    // without a body, needs the verb written out.
    if (verb != "POST" || data.empty()) curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }

  Exchange exchange(kMaxBodyBytes);
  exchange.deadline = std::chrono::milliseconds(g_deadline_ms.load());
  // Through a proxy the connection reaches the proxy, not the site.
  exchange.check_addresses = !proxy.has_value();
  collect_into(h, exchange);
  const bool pumping = has_thread_event_pump();
  const CURLcode code = run_exchange(h, exchange, timeout, [] { pump_thread_events(); return true; },
                                     pumping ? kPumpTurn : kQuietTurn);
  result = outcome_of(code, exchange);
  if (response_headers) *response_headers = exchange.header_block;
  Text body = exchange.body.take_string();
  const std::size_t zero = body.find('\0');
  if (zero != Text::npos) body.resize(zero);
  return body;
}

void set_fetch_timeout_for_tests(std::chrono::milliseconds timeout) { g_timeout_ms = timeout.count(); }
void set_fetch_deadline_for_tests(std::chrono::milliseconds deadline) { g_deadline_ms = deadline.count(); }

}  // namespace lv::net
