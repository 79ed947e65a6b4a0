#pragma once
// UTF-8 text made safe for XML character data and attribute values.
#include <string>
#include <string_view>

namespace lv::exporting {

// Appends `utf8` with & < > " ' written as references. What XML 1.0 cannot
// hold at all is not passed on: control characters other than tab, line feed
// and carriage return, and U+FFFE/U+FFFF are dropped; malformed UTF-8 becomes
// U+FFFD. Texts come from the network, and one stray byte would otherwise make
// the whole book unreadable.
void append_xml(std::string& out, std::string_view utf8);
std::string xml_escaped(std::string_view utf8);

}  // namespace lv::exporting
