#include "net/curl_exchange.h"

#include <algorithm>
#include <array>
#include <mutex>

namespace lv::net::detail {
namespace {

constexpr long kMaxRedirects = 20;

// The cookie store (and the name cache) shared by every transfer of the
// process. Created once and never freed: transfers whose caller gave up may
// still run while the process ends.
struct Share {
  CURLSH* handle = nullptr;
  std::array<std::mutex, CURL_LOCK_DATA_LAST> locks;
};

void lock_share(CURL*, curl_lock_data data, curl_lock_access, void* user) {
  static_cast<Share*>(user)->locks[static_cast<std::size_t>(data)].lock();
}

void unlock_share(CURL*, curl_lock_data data, void* user) {
  static_cast<Share*>(user)->locks[static_cast<std::size_t>(data)].unlock();
}

// Never freed, like the store: a transfer may read it while the process ends.
struct TrustedCertificates {
  std::mutex mutex;
  std::string pem_file;
};

TrustedCertificates& trusted_certificates() {
  static auto* trusted = new TrustedCertificates;
  return *trusted;
}

Share& shared_store() {
  static Share* share = [] {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    auto* s = new Share;
    s->handle = curl_share_init();
    if (s->handle) {
      curl_share_setopt(s->handle, CURLSHOPT_LOCKFUNC, lock_share);
      curl_share_setopt(s->handle, CURLSHOPT_UNLOCKFUNC, unlock_share);
      curl_share_setopt(s->handle, CURLSHOPT_USERDATA, s);
      curl_share_setopt(s->handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
      curl_share_setopt(s->handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
      // A secure connection to a host seen before resumes its session.
      curl_share_setopt(s->handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
    return s;
  }();
  return *share;
}

bool iequals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

std::string_view trim_blanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
    s.remove_suffix(1);
  }
  return s;
}

void touch(Exchange& ex) { ex.last_activity = std::chrono::steady_clock::now(); }

size_t on_header(char* data, size_t size, size_t count, void* user) {
  auto& ex = *static_cast<Exchange*>(user);
  const std::string_view line(data, size * count);
  touch(ex);
  // Each response (redirects, interim answers, a proxy's tunnel reply) starts
  // its block anew, so the block kept is the last response's.
  if (line.size() >= 5 && line.substr(0, 5) == "HTTP/") {
    ex.header_block.clear();
    ex.responded = true;
  }
  ex.header_block.append(line);
  return size * count;
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
  auto& ex = *static_cast<Exchange*>(user);
  const size_t n = size * count;
  touch(ex);
  ex.responded = true;  // an answer without a status line (HTTP/0.9) is all body
  if (ex.body.empty()) {
    // Room for the announced length at once (never beyond the cap): large
    // bodies would otherwise be copied over and over as they grow.
    curl_off_t announced = -1;
    if (curl_easy_getinfo(ex.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK && announced > 0) {
      ex.body.expect(std::min(static_cast<std::size_t>(announced), ex.max_body));
    }
  }
  const size_t room = ex.max_body - std::min(ex.max_body, ex.body.size());
  if (n > room) {
    ex.body.append(std::string_view(data, room));
    ex.body_capped = true;
    return 0;  // stops the transfer; what arrived up to the cap is the body
  }
  ex.body.append(std::string_view(data, n));
  return n;
}

int on_progress(void* user, curl_off_t, curl_off_t down_now, curl_off_t, curl_off_t up_now) {
  auto& ex = *static_cast<Exchange*>(user);
  if (down_now != ex.seen_down || up_now != ex.seen_up) {
    ex.seen_down = down_now;
    ex.seen_up = up_now;
    touch(ex);
  }
  // Non-zero ends the transfer as aborted by the callback: cancelled.
  return ex.stop.stop_requested() ? 1 : 0;
}

// Called once a connection stands, before each request goes out on it
// (redirects included), with the address it reached.
int on_connected(void* user, char* primary_ip, char*, int, int) {
  auto& ex = *static_cast<Exchange*>(user);
  ex.connected = true;
  touch(ex);
  if (!ex.check_addresses) return CURL_PREREQFUNC_OK;
  const AddressKind kind = address_kind(primary_ip != nullptr ? primary_ip : "");
  if (!ex.origin_kind) ex.origin_kind = kind;
  if (!address_allowed(*ex.origin_kind, kind)) {
    ex.refused = true;
    return CURL_PREREQFUNC_ABORT;
  }
  return CURL_PREREQFUNC_OK;
}

std::optional<std::chrono::seconds> retry_after_seconds(std::string_view block) {
  const std::string value = header_value(block, "Retry-After");
  if (value.empty() || value.size() > 9 || value.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;  // absent, a date, or beyond any sensible wait
  }
  return std::chrono::seconds(std::stol(value));
}

TransferEnd end_of(CURLcode result) {
  switch (result) {
    case CURLE_OK:
      return TransferEnd::complete;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return TransferEnd::bad_address;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
      return TransferEnd::connect_failed;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return TransferEnd::reset;
    case CURLE_OPERATION_TIMEDOUT:
      return TransferEnd::timed_out;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
      return TransferEnd::tls_failed;
    case CURLE_ABORTED_BY_CALLBACK:
      return TransferEnd::cancelled;
    default:
      return TransferEnd::other;
  }
}

struct MultiDeleter {
  void operator()(CURLM* multi) const noexcept { curl_multi_cleanup(multi); }
};

}  // namespace

void set_trusted_certificates(const std::string& pem_file) {
  TrustedCertificates& trusted = trusted_certificates();
  std::lock_guard lock(trusted.mutex);
  trusted.pem_file = pem_file;
}

EasyHandle make_easy() {
  shared_store();
  return EasyHandle(curl_easy_init());
}

void HeaderList::append(const std::string& line) {
  if (curl_slist* next = curl_slist_append(list_, line.c_str())) list_ = next;
}

void HeaderList::add_lines(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    std::string entry(line);
    // curl reads "Name:" with nothing after it as "drop that header"; "Name;"
    // is its way of sending a header with an empty value.
    const std::size_t colon = entry.find(':');
    if (colon != std::string::npos && trim_blanks(std::string_view(entry).substr(colon + 1)).empty()) {
      entry.resize(colon);
      entry.push_back(';');
    }
    append(entry);
  }
}

void HeaderList::suppress(std::string_view name) { append(std::string(name) + ":"); }

void set_common_options(CURL* easy, std::chrono::milliseconds connect_timeout, bool use_cookies) {
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  // No status is examined, so an answer without a status line is a body like any other.
  curl_easy_setopt(easy, CURLOPT_HTTP09_ALLOWED, 1L);
  // Bodies are decoded by the program itself, by its own rules.
  curl_easy_setopt(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  {
    TrustedCertificates& trusted = trusted_certificates();
    std::lock_guard lock(trusted.mutex);
    if (!trusted.pem_file.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, trusted.pem_file.c_str());
  }
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect_timeout.count()));
  Share& share = shared_store();
  if (share.handle) curl_easy_setopt(easy, CURLOPT_SHARE, share.handle);
  // An empty cookie file name switches the cookie engine on without a file.
  if (use_cookies) curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
}

void collect_into(CURL* easy, Exchange& exchange) {
  exchange.easy = easy;
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, on_header);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &exchange);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, on_body);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &exchange);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, on_progress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &exchange);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, on_connected);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, &exchange);
}

CURLcode run_exchange(CURL* easy, Exchange& exchange, std::chrono::milliseconds idle_timeout,
                      const std::function<bool()>& between_turns, std::chrono::milliseconds turn) {
  std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
  if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK) return CURLE_FAILED_INIT;
  // A stop wakes the wait at once; the next turn's progress call ends the transfer.
  const std::stop_callback wake(exchange.stop, [m = multi.get()] { curl_multi_wakeup(m); });
  touch(exchange);
  const auto deadline = exchange.last_activity + exchange.deadline;
  CURLcode result = CURLE_OK;
  for (;;) {
    if ((between_turns && !between_turns()) || exchange.stop.stop_requested()) {
      result = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    bool done = false;
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
        result = msg->data.result;
        done = true;
      }
    }
    if (done || running == 0) break;
    const auto now = std::chrono::steady_clock::now();
    const auto idle = now - exchange.last_activity;
    if ((exchange.connected && idle >= idle_timeout) || now >= deadline) {
      result = CURLE_OPERATION_TIMEDOUT;
      break;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    if (exchange.connected) {
      left = std::min(left, std::chrono::duration_cast<std::chrono::milliseconds>(idle_timeout - idle));
    }
    const auto wait = std::clamp(left, std::chrono::milliseconds(1), turn);
    curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(wait.count()), nullptr);
  }
  curl_multi_remove_handle(multi.get(), easy);
  return result;
}

TransferOutcome outcome_of(CURLcode result, const Exchange& exchange) {
  TransferOutcome outcome;
  outcome.bytes = exchange.body.size();
  if (exchange.easy != nullptr && exchange.responded) {
    long status = 0;
    curl_easy_getinfo(exchange.easy, CURLINFO_RESPONSE_CODE, &status);
    outcome.status = static_cast<int>(status);
    outcome.retry_after = retry_after_seconds(exchange.header_block);
  }
  if (exchange.body_capped) {
    outcome.end = TransferEnd::size_cap;
  } else if (exchange.refused) {
    outcome.end = TransferEnd::refused_address;
  } else {
    outcome.end = end_of(result);
  }
  if (outcome.end != TransferEnd::complete) outcome.detail = curl_easy_strerror(result);
  return outcome;
}

std::vector<std::string> header_values(std::string_view block, std::string_view name) {
  std::vector<std::string> values;
  bool first_line = true;
  while (!block.empty()) {
    const std::size_t end = block.find('\n');
    std::string_view line = block.substr(0, end);
    block = end == std::string_view::npos ? std::string_view{} : block.substr(end + 1);
    if (first_line) {  // the status line
      first_line = false;
      continue;
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    if (iequals(trim_blanks(line.substr(0, colon)), name)) {
      values.emplace_back(trim_blanks(line.substr(colon + 1)));
    }
  }
  return values;
}

std::string header_value(std::string_view block, std::string_view name) {
  auto values = header_values(block, name);
  return values.empty() ? std::string() : std::move(values.front());
}

std::string encode_unsafe(std::string_view url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  static constexpr std::string_view kUnsafe = "<>\"\\^`{|}";
  std::string out;
  out.reserve(url.size());
  for (char c : url) {
    const auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x7F || kUnsafe.find(c) != std::string_view::npos) {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 0x0F]);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool has_control_bytes(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
  });
}

}  // namespace lv::net::detail
