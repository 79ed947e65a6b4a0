#include "export/chinese_script.h"

#include <opencc/SimpleConverter.hpp>

#include <algorithm>
#include <array>
#include <mutex>

#include "base/code_page.h"

namespace lv::exporting {
namespace {

struct ScriptInfo {
  ChineseScript script;
  std::string_view name;
  std::string_view language;
};

constexpr std::array<ScriptInfo, 5> kScripts{{
    {ChineseScript::as_written, "", "zh"},
    {ChineseScript::s2t, "s2t", "zh-Hant"},
    {ChineseScript::s2tw, "s2tw", "zh-Hant"},
    {ChineseScript::s2hk, "s2hk", "zh-Hant"},
    {ChineseScript::t2s, "t2s", "zh-Hans"},
}};

const ScriptInfo& info(ChineseScript script) { return kScripts[static_cast<std::size_t>(script)]; }

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD, where a byte was no GBK

std::size_t occurrences(std::string_view text, std::string_view piece) {
  std::size_t n = 0;
  for (std::size_t at = text.find(piece); at != std::string_view::npos; at = text.find(piece, at + piece.size())) ++n;
  return n;
}

// The length of the text's longest start of well-formed UTF-8 without zero bytes.
std::size_t well_formed_prefix(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = byte(i);
    if (c != 0 && c < 0x80) {
      ++i;
      continue;
    }
    // The lead byte fixes the length and the range of the byte after it
    // (no overlong forms, no surrogates, nothing past U+10FFFF).
    const std::size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    const unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    if (length == 0 || i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) return i;
    for (std::size_t k = 2; k < length; ++k) {
      if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return i;
    }
    i += length;
  }
  return i;
}

}  // namespace

std::string_view script_name(ChineseScript script) { return info(script).name; }

std::string_view language_tag(ChineseScript script) { return info(script).language; }

std::optional<ChineseScript> script_named(std::string_view name) {
  for (const ScriptInfo& s : kScripts) {
    if (!name.empty() && s.name == name) return s.script;
  }
  return std::nullopt;
}

ChineseConverter::ChineseConverter(ChineseScript script) : script_(script) {
  if (script == ChineseScript::as_written) throw ScriptUnavailable("no conversion to load for the site's own script");
  const std::string config = std::string(script_name(script)) + ".json";  // found in OpenCC's data folder
  try {
    converter_ = std::make_unique<const opencc::SimpleConverter>(config);
  } catch (const std::exception& error) {
    throw ScriptUnavailable("OpenCC's " + config + " could not be loaded: " + error.what());
  }
}

ChineseConverter::~ChineseConverter() = default;

std::string ChineseConverter::convert_utf8(std::string_view utf8) const {
  // OpenCC reads its input up to the first zero byte and misreads or refuses
  // malformed UTF-8, so it is given the well-formed runs between such bytes,
  // which stay as they are.
  std::string out;
  out.reserve(utf8.size() + utf8.size() / 16);
  while (!utf8.empty()) {
    const std::size_t run = well_formed_prefix(utf8);
    if (run > 0) {
      try {
        out += converter_->Convert(utf8.data(), run);
      } catch (const std::exception&) {
        out.append(utf8.data(), run);
      }
    }
    if (run < utf8.size()) out += utf8[run];  // a zero byte, or one that starts no character
    utf8.remove_prefix(std::min(run + 1, utf8.size()));
  }
  return out;
}

lv::base::Text ChineseConverter::convert_gbk(std::string_view gbk, std::size_t* unheld) const {
  const std::string converted = convert_utf8(lv::base::gbk_to_utf8(gbk));
  lv::base::Text out = lv::base::utf8_to_gbk(converted);
  if (unheld != nullptr) {
    // Each character GBK lacks became one '?'; so did each '?' and U+FFFD already there.
    *unheld = occurrences(out, "?") - occurrences(converted, "?") - occurrences(converted, kReplacement);
  }
  return out;
}

const ChineseConverter* shared_chinese_converter(ChineseScript script) {
  static std::array<std::once_flag, kScripts.size()> loaded;
  static std::array<std::unique_ptr<const ChineseConverter>, kScripts.size()> converters;
  if (script == ChineseScript::as_written) return nullptr;
  const auto i = static_cast<std::size_t>(script);
  std::call_once(loaded[i], [&] {
    try {
      converters[i] = std::make_unique<const ChineseConverter>(script);
    } catch (const ScriptUnavailable&) {
      // stays empty: the script is not available in this run
    }
  });
  return converters[i].get();
}

bool script_available(ChineseScript script) {
  return script == ChineseScript::as_written || shared_chinese_converter(script) != nullptr;
}

lv::base::Text convert_gbk(std::string_view gbk, ChineseScript script) {
  const ChineseConverter* converter = shared_chinese_converter(script);
  return converter != nullptr ? converter->convert_gbk(gbk) : lv::base::Text(gbk);
}

}  // namespace lv::exporting
