#pragma once
// One download's HTTP exchange, run on the download's own thread: the address
// prepared and split, the request completed, the response collected.
#include <atomic>
#include <chrono>
#include <string>

#include "base/text.h"
#include "net/body_buffer.h"
#include "net/transfer_outcome.h"

namespace lv::net::detail {

struct DownloadInputs {
  std::string url;
  std::string method;
  std::string proxy;
  std::string headers;
  std::string body;
  bool request_compression = false;
  unsigned open_flags = 0;
  std::chrono::milliseconds timeout{90000};
  std::chrono::milliseconds deadline{120000};
  std::string origin;
};

enum class ContentEncoding { none = 0, gzip = 1, deflate = 2 };

struct DownloadOutputs {
  std::string header_block;  // raw headers of the final response
  std::string content_type;
  std::string cookies;       // Set-Cookie values joined by CR LF
  ContentEncoding encoding = ContentEncoding::none;
  BodyBuffer body;           // empty when nothing was read
  TransferOutcome outcome;
};

// The address as the request line will carry it, or "" when it cannot be split.
struct PreparedUrl {
  std::string request_url;  // scheme http or https, host, port, path and query
  std::string user;
  std::string password;
};
bool prepare_url(std::string_view trimmed_url, PreparedUrl& out);

// The header text of a download with the fixed lines completed.
std::string complete_download_headers(std::string headers, std::string_view referer, bool compression,
                                      bool form_post);

// Runs the exchange; gives up early once `cancelled` is set.
DownloadOutputs perform_download(const DownloadInputs& in, const std::atomic<bool>& cancelled);

}  // namespace lv::net::detail
