#pragma once
// A stable identifier for a book: the name-based UUID (version 5, SHA-1) of
// its address in the URL namespace, which anyone can derive again.
#include <string>
#include <string_view>

namespace lv::exporting {

// "xxxxxxxx-xxxx-5xxx-yxxx-xxxxxxxxxxxx", lower-case.
std::string url_uuid(std::string_view url);

}  // namespace lv::exporting
