#pragma once
// What the download and the page fetch share on top of libcurl: one-time
// set-up, the process-wide cookie store, owning handles, the options both
// need, and a transfer loop that runs on the calling thread with a hook
// between turns and an idle time-out of its own.
#include <curl/curl.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "net/address_policy.h"
#include "net/body_buffer.h"
#include "net/transfer_outcome.h"

namespace lv::net::detail {

struct EasyDeleter {
  void operator()(CURL* easy) const noexcept { curl_easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

// A new easy handle with curl's global state set up; null when curl cannot make one.
EasyHandle make_easy();

// The request's header lines, in the order they are added.
class HeaderList final {
 public:
  HeaderList() = default;
  ~HeaderList() { curl_slist_free_all(list_); }
  HeaderList(const HeaderList&) = delete;
  HeaderList& operator=(const HeaderList&) = delete;

  // Adds every line of a CR LF separated header text; blank lines are left out.
  void add_lines(std::string_view text);
  // Tells curl not to add a header of its own by that name (sends nothing).
  void suppress(std::string_view name);
  curl_slist* get() const { return list_; }

 private:
  void append(const std::string& line);
  curl_slist* list_ = nullptr;
};

// What came back: the header block of the last response and its body.
struct Exchange {
  explicit Exchange(std::size_t max_body_bytes) : max_body(max_body_bytes) {}
  std::size_t max_body;
  CURL* easy = nullptr;      // set by collect_into
  std::string header_block;  // status line and header lines, CR LF ended, blank line last
  BodyBuffer body;
  bool responded = false;    // a status line arrived
  bool body_capped = false;  // the body reached max_body and reading stopped
  bool connected = false;
  std::chrono::steady_clock::time_point last_activity{};
  curl_off_t seen_down = 0;
  curl_off_t seen_up = 0;
  // Where the transfer may connect: public addresses and those of the
  // origin's kind. Without an origin kind the first connection sets it.
  bool check_addresses = true;
  std::optional<AddressKind> origin_kind;
  bool refused = false;        // a connection went where it may not
  std::stop_token stop;        // the caller's: read in the progress callback, which ends the transfer
  std::chrono::milliseconds deadline{120000};  // for the whole transfer, however slowly bytes come
};

// How the transfer ended, from curl's result and what the exchange saw.
TransferOutcome outcome_of(CURLcode result, const Exchange& exchange);

// The options every transfer of this program sets: HTTP/1.1 over http or
// https only, redirects followed, bodies left encoded, certificates verified,
// the shared cookie store, and the given connect time-out.
void set_common_options(CURL* easy, std::chrono::milliseconds connect_timeout, bool use_cookies);

// The certificate file secure transfers trust; empty for the system's store.
void set_trusted_certificates(const std::string& pem_file);

// Points curl's header, body and progress callbacks at `exchange`.
void collect_into(CURL* easy, Exchange& exchange);

// Runs the transfer to its end. `between_turns` runs before every turn (the
// page fetch pumps events there, a download checks whether its caller is still
// waiting) and stops the transfer by returning false. Once connected, a
// transfer on which no byte moves for `idle_timeout` is given up, and any
// transfer once the exchange's deadline has passed.
CURLcode run_exchange(CURL* easy, Exchange& exchange, std::chrono::milliseconds idle_timeout,
                      const std::function<bool()>& between_turns, std::chrono::milliseconds turn);

// The first value of a header in a header block (name compared ignoring
// case), with surrounding blanks removed; "" when absent.
std::string header_value(std::string_view block, std::string_view name);
std::vector<std::string> header_values(std::string_view block, std::string_view name);

// Percent-encodes the bytes that cannot stand in a request target as they
// are (controls, space, bytes above 0x7E and the characters "<>\"\\^`{|}").
std::string encode_unsafe(std::string_view url);

// True when the text holds a control byte, which no address may carry into a
// request line or a Referer line.
bool has_control_bytes(std::string_view text);

}  // namespace lv::net::detail
