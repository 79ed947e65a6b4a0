#include "net/download_transfer.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>

#include "net/curl_exchange.h"
#include "net/download.h"

namespace lv::net::detail {
namespace {

constexpr std::string_view kAgentLine =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727) "
    "VorelHTTP\r\n";
constexpr std::string_view kAcceptLine =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
constexpr std::string_view kLanguageLine = "Accept-Language: zh-cn\r\n";
constexpr std::string_view kCompressionLine = "Accept-Encoding: gzip, deflate\r\n";
constexpr std::string_view kFormTypeLine = "Content-Type: application/x-www-form-urlencoded\r\n";

// Buffer sizes of the address splitter this download has always used; longer
// parts make the address unusable.
constexpr std::size_t kMaxHost = 256;
constexpr std::size_t kMaxPath = 2048;
constexpr std::size_t kMaxUserOrPassword = 128;

// The turn of the transfer loop: how soon a given-up wait stops the transfer.
constexpr std::chrono::milliseconds kTurn{50};

struct UrlDeleter {
  void operator()(CURLU* url) const noexcept { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

struct CurlText {
  char* text = nullptr;
  ~CurlText() { curl_free(text); }
  std::string value() const { return text ? std::string(text) : std::string(); }
};

// A part of a parsed address; `missing_ok` turns "not there" into "".
bool get_part(CURLU* url, CURLUPart part, std::string& out, unsigned flags = 0, bool missing_ok = true) {
  CurlText t;
  const CURLUcode rc = curl_url_get(url, part, &t.text, flags);
  if (rc == CURLUE_OK) {
    out = t.value();
    return true;
  }
  out.clear();
  return missing_ok && rc != CURLUE_OUT_OF_MEMORY && rc != CURLUE_MALFORMED_INPUT;
}

// The proxy for a scheme out of a proxy list such as "http=a:8080 https=b:8443"
// or a plain "host:port" that serves every scheme; "" when none applies.
std::string proxy_for(std::string_view list, std::string_view scheme) {
  std::string any;
  std::size_t pos = 0;
  while (pos < list.size()) {
    const std::size_t end = list.find_first_of(" \t;", pos);
    const std::string_view entry = list.substr(pos, end == std::string_view::npos ? end : end - pos);
    pos = end == std::string_view::npos ? list.size() : end + 1;
    if (entry.empty()) continue;
    const std::size_t eq = entry.find('=');
    if (eq == std::string_view::npos) {
      if (any.empty()) any = std::string(entry);
    } else if (entry.substr(0, eq) == scheme) {
      return std::string(entry.substr(eq + 1));
    }
  }
  return any;
}

void apply_verb(CURL* easy, const std::string& verb, const std::string& body) {
  if (verb == "GET") return;
  if (verb == "POST") {
    curl_easy_setopt(easy, CURLOPT_POST, 1L);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
    return;
  }
  if (verb == "HEAD") {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    return;
  }
  curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
}

// A proxy stands between the program and the site, so the address a
// connection reaches is the proxy's and says nothing about the site's.
bool through_proxy(const DownloadInputs& in) {
  if (!in.proxy.empty()) return true;
  for (const char* name : {"http_proxy", "HTTPS_PROXY", "https_proxy", "ALL_PROXY", "all_proxy"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

// The kind of the origin's address: a URL's host, or a host as it stands.
// An origin that cannot be read or resolved counts as public, the strictest.
AddressKind origin_kind(std::string_view origin) {
  std::string host(origin);
  UrlHandle parsed(curl_url());
  if (parsed && origin.find("://") != std::string_view::npos &&
      curl_url_set(parsed.get(), CURLUPART_URL, encode_unsafe(origin).c_str(), CURLU_NON_SUPPORT_SCHEME) ==
          CURLUE_OK) {
    get_part(parsed.get(), CURLUPART_HOST, host);
  } else {
    const std::size_t end = host.find_first_of(":/");
    if (end != std::string::npos && host.front() != '[') host.resize(end);
  }
  return host_address_kind(host).value_or(AddressKind::public_address);
}

std::string upper_ascii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

}  // namespace

bool prepare_url(std::string_view trimmed_url, PreparedUrl& out) {
  if (trimmed_url.empty() || has_control_bytes(trimmed_url)) return false;
  UrlHandle parsed(curl_url());
  if (!parsed) return false;
  const std::string encoded = encode_unsafe(trimmed_url);
  // Dot segments are resolved by the parser; any scheme is accepted, since
  // whatever it is, the request goes out over HTTP.
  if (curl_url_set(parsed.get(), CURLUPART_URL, encoded.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
    return false;
  }
  std::string scheme, host, port, path, query;
  if (!get_part(parsed.get(), CURLUPART_SCHEME, scheme, 0, false) ||
      !get_part(parsed.get(), CURLUPART_HOST, host, 0, false) ||
      !get_part(parsed.get(), CURLUPART_PORT, port, CURLU_DEFAULT_PORT, false) ||
      !get_part(parsed.get(), CURLUPART_PATH, path) || !get_part(parsed.get(), CURLUPART_QUERY, query) ||
      !get_part(parsed.get(), CURLUPART_USER, out.user, CURLU_URLDECODE) ||
      !get_part(parsed.get(), CURLUPART_PASSWORD, out.password, CURLU_URLDECODE)) {
    return false;
  }
  if (host.empty() || host.size() >= kMaxHost || path.size() + (query.empty() ? 0 : query.size() + 1) >= kMaxPath ||
      out.user.size() >= kMaxUserOrPassword || out.password.size() >= kMaxUserOrPassword) {
    return false;
  }
  UrlHandle target(curl_url());
  if (!target) return false;
  const bool secure = scheme == "https";
  if (port == "0") port = secure ? "443" : "80";  // no port to reach: the scheme's own
  curl_url_set(target.get(), CURLUPART_SCHEME, secure ? "https" : "http", 0);
  if (curl_url_set(target.get(), CURLUPART_HOST, host.c_str(), 0) != CURLUE_OK ||
      curl_url_set(target.get(), CURLUPART_PORT, port.c_str(), 0) != CURLUE_OK ||
      curl_url_set(target.get(), CURLUPART_PATH, path.empty() ? "/" : path.c_str(), 0) != CURLUE_OK) {
    return false;
  }
  if (!query.empty()) curl_url_set(target.get(), CURLUPART_QUERY, query.c_str(), 0);
  return get_part(target.get(), CURLUPART_URL, out.request_url, 0, false);
}

std::string complete_download_headers(std::string headers, std::string_view referer, bool compression,
                                      bool form_post) {
  // The tests are case-sensitive: "user-agent: x" does not stand for the agent line.
  auto lacks = [&headers](std::string_view name) { return headers.find(name) == std::string::npos; };
  if (!headers.empty() && !headers.ends_with("\r\n")) headers += "\r\n";
  if (lacks("User-Agent: ")) headers += kAgentLine;
  if (lacks("Accept: ")) headers += kAcceptLine;
  if (lacks("Referer: ")) {
    headers += "Referer: ";
    headers += referer;
    headers += "\r\n";
  }
  if (lacks("Accept-Language: ")) headers += kLanguageLine;
  if (compression && lacks("Accept-Encoding: ")) headers += kCompressionLine;
  if (form_post && lacks("Content-Type: ")) headers += kFormTypeLine;
  return headers;
}

DownloadTransfer::DownloadTransfer(DownloadInputs in)
    : in_(std::move(in)), exchange_(std::make_unique<Exchange>(kMaxBodyBytes)) {
  exchange_->stop = in_.stop;
  const std::size_t first = in_.url.find_first_not_of(" \t\r\n\v\f");
  const std::string_view trimmed =
      first == std::string::npos ? std::string_view{} : std::string_view(in_.url).substr(first);
  PreparedUrl url;
  if (!prepare_url(trimmed, url)) {
    early_.end = TransferEnd::bad_address;
    return;
  }
  easy_ = make_easy();
  if (!easy_) {
    early_.detail = "no transfer handle";
    return;
  }
  CURL* h = easy_.get();
  set_common_options(h, in_.timeout, (in_.open_flags & kFlagNoCookies) == 0);
  if (in_.open_flags & kFlagNoAutoRedirect) curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_URL, url.request_url.c_str());
  if (!url.user.empty()) curl_easy_setopt(h, CURLOPT_USERNAME, url.user.c_str());
  if (!url.password.empty()) curl_easy_setopt(h, CURLOPT_PASSWORD, url.password.c_str());
  if (!in_.proxy.empty()) {
    const bool secure = url.request_url.starts_with("https:");
    const std::string proxy = proxy_for(in_.proxy, secure ? "https" : "http");
    curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str());  // "" goes direct
    curl_easy_setopt(h, CURLOPT_NOPROXY, "");
  }
  // With an empty proxy, curl reads the usual proxy environment variables.

  const std::string verb = in_.method.empty() ? std::string("GET") : upper_ascii(in_.method);
  const std::string header_text =
      complete_download_headers(in_.headers, trimmed, in_.request_compression, verb == "POST");
  lines_ = std::make_unique<HeaderList>();
  lines_->add_lines(header_text);
  // Only the lines above go out (curl adds Host, cookies and a body's length):
  // no default Accept, no "Expect: 100-continue" before a larger body.
  lines_->suppress("Accept");
  lines_->suppress("Expect");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, lines_->get());
  apply_verb(h, verb, in_.body);

  exchange_->deadline = in_.deadline;
  exchange_->check_addresses = !through_proxy(in_);
  if (exchange_->check_addresses && !in_.origin.empty()) exchange_->origin_kind = origin_kind(in_.origin);
  collect_into(h, *exchange_);
}

DownloadTransfer::~DownloadTransfer() = default;

DownloadOutputs DownloadTransfer::finish(CURLcode result) {
  DownloadOutputs out;
  if (!ready()) {
    out.outcome = early_;
    return out;
  }
  Exchange& exchange = *exchange_;
  out.outcome = outcome_of(result, exchange);
  if (!exchange.responded) return out;

  out.header_block = std::move(exchange.header_block);
  out.content_type = header_value(out.header_block, "Content-Type");
  const std::string encoding = header_value(out.header_block, "Content-Encoding");
  if (encoding == "gzip") {
    out.encoding = ContentEncoding::gzip;
  } else if (encoding == "deflate") {
    out.encoding = ContentEncoding::deflate;
  }
  const auto cookies = header_values(out.header_block, "Set-Cookie");
  for (std::size_t i = 0; i < cookies.size(); ++i) {
    if (i) out.cookies += "\r\n";
    out.cookies += cookies[i];
  }
  out.body = std::move(exchange.body);
  return out;
}

DownloadOutputs perform_download(const DownloadInputs& in) {
  DownloadTransfer transfer(in);
  if (!transfer.ready()) return transfer.finish(CURLE_OK);
  const CURLcode result = run_exchange(transfer.easy(), transfer.exchange(), in.timeout, {}, kTurn);
  return transfer.finish(result);
}

}  // namespace lv::net::detail
