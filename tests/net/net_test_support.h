#pragma once
// Fixed request lines as the server must see them, and a clean environment
// for the transfers of the net tests.
#include <string>

namespace lv::test {

inline const std::string kDownloadAgentLine =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727) VorelHTTP\r\n";
inline const std::string kFetchAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n";
inline const std::string kAcceptLine =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
inline const std::string kLanguageLine = "Accept-Language: zh-cn\r\n";
inline const std::string kFormTypeLine = "Content-Type: application/x-www-form-urlencoded\r\n";

// Proxy variables of the machine must not send loopback requests elsewhere.
void clear_proxy_environment();

}  // namespace lv::test
