#pragma once
// Simplified and Traditional Chinese: a book's texts in the script a reader
// asks for, through OpenCC's phrase tables (libopencc and its data).
//
// Threads: a converter keeps nothing between calls, and OpenCC's tables are
// read-only once loaded, so one converter may convert on several threads at
// once. shared_chinese_converter() loads each table on first use, once per
// process, from whichever thread asks first.
#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/text.h"

namespace opencc {
class SimpleConverter;
}

namespace lv::exporting {

enum class ChineseScript {
  as_written,  // the site's own characters, unconverted
  s2t,         // Simplified to Traditional
  s2tw,        // Simplified to Traditional as written in Taiwan
  s2hk,        // Simplified to Traditional as written in Hong Kong
  t2s,         // Traditional to Simplified
};

// "s2t", "s2tw", "s2hk", "t2s"; "" for as_written.
std::string_view script_name(ChineseScript script);
// The script of that name; nullopt for any other name.
std::optional<ChineseScript> script_named(std::string_view name);
// The language tag a book in that script carries: "zh-Hant", "zh-Hans", or
// "zh" for a book left as the site wrote it.
std::string_view language_tag(ChineseScript script);

// OpenCC's tables for the script could not be loaded (its data is not
// installed, or a file is damaged).
struct ScriptUnavailable : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class ChineseConverter final {
 public:
  // Loads the script's tables (about 30 ms and 10 MB for the Traditional
  // ones); throws ScriptUnavailable when they cannot be, or for as_written.
  explicit ChineseConverter(ChineseScript script);
  ~ChineseConverter();
  ChineseConverter(const ChineseConverter&) = delete;
  ChineseConverter& operator=(const ChineseConverter&) = delete;

  ChineseScript script() const { return script_; }

  // UTF-8 in, UTF-8 out. Zero bytes and bytes that are no well-formed UTF-8
  // stay as they are, and the text around them is converted; never throws.
  std::string convert_utf8(std::string_view utf8) const;
  // GBK in, GBK out: a character GBK cannot hold becomes '?', and `unheld`
  // (when given) counts them. Bytes that were no GBK to begin with become
  // '?' as well, as everywhere a GBK text is repaired, but are not counted.
  lv::base::Text convert_gbk(std::string_view gbk, std::size_t* unheld = nullptr) const;

 private:
  ChineseScript script_;
  std::unique_ptr<const opencc::SimpleConverter> converter_;
};

// The process's converter for the script, loaded on first use; nullptr for
// as_written and for a script whose tables cannot be loaded.
const ChineseConverter* shared_chinese_converter(ChineseScript script);
// Whether texts can be converted to that script here (as_written always can).
bool script_available(ChineseScript script);
// The GBK text in that script ('?' for what GBK cannot hold); as it is for
// as_written or when the script is not available.
lv::base::Text convert_gbk(std::string_view gbk, ChineseScript script);

}  // namespace lv::exporting
