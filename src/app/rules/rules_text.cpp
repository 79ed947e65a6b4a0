#include "app/rules/rules_text.h"

#include <QRegularExpression>
#include <QStringList>
#include <array>
#include <utility>

#include "app/widgets/gbk_qstring.h"

namespace lv::app {

namespace {

using Caption = std::pair<std::string_view, const char*>;

// Pages and the rules of each page, by key path.
constexpr std::array kItems = {
    Caption{"site_host", "站点"},
    Caption{"version", "版本"},
    Caption{"rules", "规则文件"},
    Caption{"listing", "列表页"},
    Caption{"listing.titles", "书名"},
    Caption{"listing.addresses", "地址"},
    Caption{"listing.latest", "最新章节"},
    Caption{"listing.title_prefix", "书名前缀"},
    Caption{"listing.title_suffix", "书名后缀"},
    Caption{"listing.category", "类别"},
    Caption{"book_page", "书页"},
    Caption{"book_page.name", "书名"},
    Caption{"book_page.cover", "封面地址"},
    Caption{"book_page.author", "作者"},
    Caption{"book_page.category", "类别"},
    Caption{"book_page.status", "状态"},
    Caption{"book_page.intro", "简介"},
    Caption{"book_page.intro_cleaning", "简介清理"},
    Caption{"chapter_list", "章节列表"},
    Caption{"chapter_list.addresses", "章节地址"},
    Caption{"chapter_list.titles", "章节名"},
    Caption{"chapter_list.book_title", "目录书名"},
    Caption{"chapter_text", "章节正文"},
    Caption{"chapter_text.text", "正文"},
    Caption{"chapter_text.cleaning", "正文清理"},
};

// The parts of one rule, whatever page it belongs to.
constexpr std::array kParts = {
    Caption{"start", "开始标记"},   Caption{"end", "结束标记"},          Caption{"from", "起始位置"},
    Caption{"case_sensitive", "区分大小写"}, Caption{"label", "标签"},   Caption{"find", "查找"},
    Caption{"replacement", "替换为"}, Caption{"count", "次数"},
};

template <std::size_t N>
const char* find_caption(const std::array<Caption, N>& table, std::string_view key) {
  for (const auto& [k, caption] : table) {
    if (k == key) return caption;
  }
  return nullptr;
}

QString utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The reasons the rules file gives, with their Chinese.
QString reason_text(const QString& why) {
  static const std::array<std::pair<const char*, const char*>, 13> kReasons = {{
      {"a marker may not be empty", "不能为空"},
      {"unknown key", "不认识的项"},
      {"must be a text", "应为文字"},
      {"must be a whole number", "应为整数"},
      {"must be true or false", "应为 true 或 false"},
      {"must be an object", "应为对象（{ … }）"},
      {"must be a list", "应为列表（[ … ]）"},
      {"missing", "缺少此项"},
      {"cannot be read", "无法读取"},
      {"not a regular file", "不是普通文件"},
      {"larger than 1 MiB", "超过 1 MiB"},
      {"cannot be written", "无法写入"},
      {"holds a character GBK cannot hold", "含有 GBK 无法表示的字符"},
  }};
  for (const auto& [english, chinese] : kReasons) {
    if (why == QLatin1String(english)) return QString::fromUtf8(chinese);
  }
  static const QRegularExpression at_least(QStringLiteral("^must be (\\d+) or more$"));
  static const QRegularExpression version(QStringLiteral("^this program reads version (\\d+)$"));
  if (const auto m = at_least.match(why); m.hasMatch()) return QStringLiteral("应不小于 ") + m.captured(1);
  if (const auto m = version.match(why); m.hasMatch()) return QStringLiteral("本程序只读第 %1 版").arg(m.captured(1));
  if (why.startsWith(QLatin1String("not a host name"))) return QStringLiteral("不是站点名（主机名，或 主机名:端口）");
  return why;
}

}  // namespace

QString marker_for_editing(std::string_view gbk) {
  const QString text = to_qstring(gbk);
  // A space at either end of a field cannot be seen: it is written \s there.
  qsizetype lead = 0;
  while (lead < text.size() && text[lead] == u' ') ++lead;
  qsizetype tail = text.size();
  while (tail > lead && text[tail - 1] == u' ') --tail;
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == u' ' && (i < lead || i >= tail)) {
      out += QStringLiteral("\\s");
      continue;
    }
    switch (c.unicode()) {
      case u'\\': out += QStringLiteral("\\\\"); break;
      case u'\r': out += QStringLiteral("\\r"); break;
      case u'\n': out += QStringLiteral("\\n"); break;
      case u'\t': out += QStringLiteral("\\t"); break;
      default: out += c;
    }
  }
  return out;
}

std::optional<lv::base::Text> marker_from_editing(const QString& text) {
  QString plain;
  plain.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != u'\\' || i + 1 == text.size()) {
      plain += c;
      continue;
    }
    switch (text[i + 1].unicode()) {
      case u'\\': plain += u'\\'; ++i; break;
      case u'r': plain += u'\r'; ++i; break;
      case u'n': plain += u'\n'; ++i; break;
      case u't': plain += u'\t'; ++i; break;
      case u's': plain += u' '; ++i; break;
      default: plain += c;
    }
  }
  lv::base::Text gbk = to_gbk(plain);
  // What GBK cannot hold comes back as '?': a marker must not change silently.
  if (to_qstring(gbk) != plain) return std::nullopt;
  return gbk;
}

QString rules_item_caption(std::string_view path) {
  const char* caption = find_caption(kItems, path);
  return caption != nullptr ? QString::fromUtf8(caption) : utf8(path);
}

QString rules_field_caption(std::string_view path) {
  // "a.b[2].c": each key named by its own table, a list index as its step.
  QStringList parts;
  std::string item;
  std::size_t at = 0;
  while (at < path.size()) {
    const std::size_t stop = path.find_first_of(".[", at);
    const std::string_view key = path.substr(at, stop == std::string_view::npos ? std::string_view::npos : stop - at);
    if (!key.empty()) {
      item = item.empty() ? std::string(key) : item + "." + std::string(key);
      const char* caption = find_caption(kItems, item);
      // The parts of a rule are named only inside a rule.
      if (caption == nullptr && parts.size() >= 2) caption = find_caption(kParts, key);
      parts << (caption != nullptr ? QString::fromUtf8(caption) : utf8(key));
    }
    if (stop == std::string_view::npos) break;
    if (path[stop] == '[') {
      const std::size_t close = path.find(']', stop);
      if (close == std::string_view::npos) {
        parts << utf8(path.substr(stop));
        break;
      }
      bool ok = false;
      const int index = utf8(path.substr(stop + 1, close - stop - 1)).toInt(&ok);
      parts << (ok ? QStringLiteral("第 %1 步").arg(index + 1) : utf8(path.substr(stop, close - stop + 1)));
      at = close + 1;
      if (at < path.size() && path[at] == '.') ++at;
    } else {
      at = stop + 1;
    }
  }
  return parts.join(QStringLiteral(" · "));
}

QString rules_refusal_text(std::string_view what) {
  const QString text = utf8(what);
  static const QLatin1String not_json("not a rules file: ");
  if (text.startsWith(not_json)) return QStringLiteral("不是规则文件（JSON 格式有误）：") + text.mid(not_json.size());
  // The reason never holds ": ", a file path might: split at the last one.
  const qsizetype colon = text.lastIndexOf(QStringLiteral(": "));
  if (colon < 0) return text;
  const std::string field = text.left(colon).toStdString();
  const QString caption = rules_field_caption(field);
  QString named = caption;
  if (caption != utf8(field)) named += QStringLiteral("（") + utf8(field) + QStringLiteral("）");
  return named + QStringLiteral("：") + reason_text(text.mid(colon + 2));
}

}  // namespace lv::app
