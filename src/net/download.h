#pragma once
// Page and picture download: one transfer per call, run on a thread of its
// own while the caller waits (pumping its events when it has a pump); the
// caller joins that thread before the call returns.
#include <chrono>
#include <optional>
#include <stop_token>
#include <string>

#include "base/text.h"
#include "net/transfer_outcome.h"

namespace lv::net {

using lv::base::Bytes;
using lv::base::Text;

struct DownloadRequest {
  Text url;
  Text method;                 // empty: GET; folded to upper case
  Text proxy;                  // empty: the system's proxy settings (proxy environment variables)
  Text headers;                // extra header lines
  Bytes post_data;             // the body of a POST
  bool request_compression = false;
  unsigned open_flags = 0;     // kept for callers; the transfer honours what applies (below)
  Text* cookies_out = nullptr; // Set-Cookie values joined by CR LF, when given
  Text* headers_out = nullptr; // the raw response header block, when given
  TransferOutcome* outcome_out = nullptr;  // how the transfer ended, when given
  // The address (a URL or a host) whose kind decides which loopback, private
  // or link-local addresses the transfer may reach: the page an address was
  // found on. Empty: the transfer's own first address decides.
  std::string origin;
  // Ends the transfer (as cancelled) within a turn of its loop, about 50 ms;
  // the call then returns what had come, which is usually nothing.
  std::stop_token stop;
};

// The decoded body (gzip undone when the server said so, a "utf-8" content
// type converted to GBK), cut at its first zero byte; "" when nothing came.
Text download_text(const DownloadRequest& request);
Text download_text(std::string_view url);

// The body bytes as received; empty when nothing came.
Bytes download_bytes(const DownloadRequest& request);
Bytes download_bytes(std::string_view url);

// The request flags a transfer honours; the others have nothing to act on here.
inline constexpr unsigned kFlagNoAutoRedirect = 0x00200000;  // redirects are not followed
inline constexpr unsigned kFlagNoCookies = 0x00080000;       // the cookie store is left out

// Bodies and decoded output stop at this size.
inline constexpr std::size_t kMaxBodyBytes = 64u << 20;

// Time-outs of the transfers (connect, and no byte moving once connected),
// how long a caller with an event pump goes without any event before it gives
// up, and the deadline of a whole transfer. A caller without a pump waits for
// the transfer's end. Tests shorten them.
struct DownloadTimeouts {
  std::chrono::milliseconds transfer{90000};
  std::chrono::milliseconds wait{90000};
  std::chrono::milliseconds deadline{120000};
};
void set_download_timeouts_for_tests(const DownloadTimeouts& timeouts);
DownloadTimeouts download_timeouts();

// Certificates that secure transfers trust instead of the system's store;
// empty restores the system's store. For tests with their own authority.
void set_trusted_certificates_for_tests(const std::string& pem_file);

// Transfers running now (each ends before its call returns).
std::size_t running_downloads();

}  // namespace lv::net
