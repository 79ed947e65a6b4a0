#pragma once
// The page fetch: one request on the calling thread, with a fixed browser
// identity; pending events run before every read.
#include <chrono>
#include <optional>

#include "base/text.h"

namespace lv::net {

using lv::base::Text;

// Every argument after the url may be left out. A given proxy (even empty) is
// used as "http=" + proxy. The body is returned raw, cut at its first zero byte.
Text fetch_page(std::string_view url, std::optional<Text> method = std::nullopt,
                std::optional<Text> proxy = std::nullopt,
                std::optional<Text> headers = std::nullopt,
                std::optional<Text> post_data = std::nullopt,
                Text* response_headers = nullptr);

Text url_host(std::string_view url);
int url_port(std::string_view url);
Text url_path(std::string_view url);

void set_fetch_timeout_for_tests(std::chrono::milliseconds timeout);  // default 18000 ms

}  // namespace lv::net
