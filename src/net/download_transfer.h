#pragma once
// One download's HTTP exchange, run on the download's own thread: the address
// prepared and split, the request completed, the response collected.
#include <chrono>
#include <memory>
#include <stop_token>
#include <string>

#include "base/text.h"
#include "net/body_buffer.h"
#include "net/curl_exchange.h"
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
  std::stop_token stop;  // ends the transfer as cancelled within a turn of its loop
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

// One download set up on a transfer handle of its own, ready to run in any
// transfer loop (the page download's own, or the scheduler's shared one).
class DownloadTransfer final {
 public:
  explicit DownloadTransfer(DownloadInputs in);
  ~DownloadTransfer();
  DownloadTransfer(const DownloadTransfer&) = delete;
  DownloadTransfer& operator=(const DownloadTransfer&) = delete;

  // False when the address cannot be used (finish then says why).
  bool ready() const { return easy_ != nullptr; }
  CURL* easy() const { return easy_.get(); }
  Exchange& exchange() { return *exchange_; }
  const DownloadInputs& inputs() const { return in_; }
  // What came back, once the transfer loop has ended with `result`.
  DownloadOutputs finish(CURLcode result);

 private:
  DownloadInputs in_;
  EasyHandle easy_;
  std::unique_ptr<HeaderList> lines_;
  std::unique_ptr<Exchange> exchange_;
  TransferOutcome early_;  // why the transfer never started
};

// The body as the page download hands it out: gzip undone when the server
// said so, a "utf-8" content type converted to GBK, cut at its first zero byte.
lv::base::Text decode_download_text(DownloadOutputs& outputs);

// Runs the exchange; gives up early once `cancelled` is set.
DownloadOutputs perform_download(const DownloadInputs& in);

}  // namespace lv::net::detail
