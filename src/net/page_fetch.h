#pragma once
// The page fetch: one request on the calling thread, with a fixed browser
// identity; pending events run before every read.
#include <chrono>
#include <optional>

#include "base/text.h"
#include "net/transfer_outcome.h"

namespace lv::net {

using lv::base::Text;

// Every argument after the url may be left out. A given proxy (even empty) is
// used as "http=" + proxy. The body is returned raw, cut at its first zero
// byte; `outcome`, when given, receives how the transfer ended.
Text fetch_page(std::string_view url, std::optional<Text> method = std::nullopt,
                std::optional<Text> proxy = std::nullopt,
                std::optional<Text> headers = std::nullopt,
                std::optional<Text> post_data = std::nullopt,
                Text* response_headers = nullptr, TransferOutcome* outcome = nullptr);

Text url_host(std::string_view url);
int url_port(std::string_view url);
Text url_path(std::string_view url);

// The idle time-out (default 18000 ms) and the deadline of a whole fetch
// (default 120000 ms), for tests.
void set_fetch_timeout_for_tests(std::chrono::milliseconds timeout);
void set_fetch_deadline_for_tests(std::chrono::milliseconds deadline);

}  // namespace lv::net
