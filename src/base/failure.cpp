#include "base/failure.h"

#include <array>
#include <charconv>

namespace lv::base {
namespace {

struct KindWords {
  FailureKind kind;
  const char* name;     // in the stored form
  const char* english;
  const char* chinese;
};

// One row per kind, in the enum's order.
constexpr std::array<KindWords, 16> kKinds = {{
    {FailureKind::none, "none", "complete", "完成"},
    {FailureKind::http_status, "http_status", "HTTP ", "服务器答复错误 HTTP "},
    {FailureKind::bad_address, "bad_address", "unusable address", "地址无法使用"},
    {FailureKind::connect_failed, "connect_failed", "connection failed", "无法连接"},
    {FailureKind::connection_reset, "connection_reset", "connection reset", "连接中断"},
    {FailureKind::timed_out, "timed_out", "timed out", "超时"},
    {FailureKind::too_large, "too_large", "body over the size cap", "页面过大"},
    {FailureKind::refused_address, "refused_address", "refused address (loopback, private or link-local)",
     "地址被拒绝（本机或内网地址）"},
    {FailureKind::tls_failed, "tls_failed", "secure connection failed", "安全连接失败"},
    {FailureKind::cancelled, "cancelled", "cancelled", "已取消"},
    {FailureKind::transfer_failed, "transfer_failed", "transfer failed", "下载失败"},
    {FailureKind::no_markers, "no_markers", "the page holds none of its markers",
     "页面中没有应有的内容（可能是拦截或验证页）"},
    {FailureKind::no_text, "no_text", "the chapter page holds no text", "章节页上没有正文（可能尚未发布）"},
    {FailureKind::not_tried, "not_tried", "not asked", "没有去取"},
    {FailureKind::not_fetched_yet, "not_fetched_yet", "not fetched yet", "还没有取回"},
    {FailureKind::words, "words", "", "未能取回"},
}};

const KindWords& words_of(FailureKind kind) {
  for (const KindWords& row : kKinds) {
    if (row.kind == kind) return row;
  }
  return kKinds.back();
}

constexpr std::string_view kStoredPrefix = "failure/1";

int read_int(std::string_view text) {
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// The English an earlier version stored ("HTTP 503 after 3 tries") read back
// as a value, so that the windows can word it in Chinese.
Failure from_old_words(std::string_view words) {
  Failure failure;
  failure.kind = FailureKind::words;
  failure.detail = std::string(words);
  std::string_view rest = words;
  if (const std::size_t after = rest.rfind(" after "); after != std::string_view::npos && rest.ends_with(" tries")) {
    failure.tries = read_int(rest.substr(after + 7));
    rest = rest.substr(0, after);
  }
  if (rest.starts_with("HTTP ")) {
    failure.kind = FailureKind::http_status;
    failure.status = read_int(rest.substr(5));
    return failure;
  }
  if (rest == "the chapter came without text") rest = words_of(FailureKind::no_text).english;
  for (const KindWords& row : kKinds) {
    if (row.kind != FailureKind::words && row.kind != FailureKind::http_status && rest == row.english) {
      failure.kind = row.kind;
      return failure;
    }
  }
  failure.tries = 0;
  return failure;
}

}  // namespace

std::string english(const Failure& failure) {
  const KindWords& words = words_of(failure.kind);
  std::string text;
  if (failure.kind == FailureKind::http_status) {
    text = words.english + std::to_string(failure.status);
  } else if (failure.kind == FailureKind::words || failure.kind == FailureKind::transfer_failed) {
    text = failure.detail.empty() ? std::string(failure.kind == FailureKind::words ? "no reason given" : words.english)
                                  : failure.detail;
  } else {
    text = words.english;
  }
  if (failure.tries > 1) text += " after " + std::to_string(failure.tries) + " tries";
  if (failure.gave_up_after > 0) {
    const std::string why = "the site failed " + std::to_string(failure.gave_up_after) +
                            " transfers in a row, so it was not asked again";
    text = failure.kind == FailureKind::not_tried ? why : text + "; " + why;
  }
  return text;
}

std::string chinese(const Failure& failure) {
  const KindWords& words = words_of(failure.kind);
  std::string text = words.chinese;
  if (failure.kind == FailureKind::http_status) text += std::to_string(failure.status);
  if (failure.tries > 1) text += "（已试 " + std::to_string(failure.tries) + " 次）";
  if (failure.gave_up_after > 0) {
    const std::string why = "网站接连 " + std::to_string(failure.gave_up_after) + " 次没有好好答复，下载不再向它要";
    text = failure.kind == FailureKind::not_tried ? why : text + "；" + why;
  }
  return text;
}

std::string encode_failure(const Failure& failure) {
  std::string stored(kStoredPrefix);
  stored += " kind=" + std::string(words_of(failure.kind).name);
  stored += " status=" + std::to_string(failure.status);
  stored += " tries=" + std::to_string(failure.tries);
  stored += " gave_up_after=" + std::to_string(failure.gave_up_after);
  stored += " detail=" + failure.detail;  // last: the rest of the text, whatever it holds
  return stored;
}

Failure decode_failure(std::string_view stored) {
  if (!stored.starts_with(kStoredPrefix)) return from_old_words(stored);
  Failure failure;
  failure.kind = FailureKind::words;
  std::string_view rest = stored.substr(kStoredPrefix.size());
  while (rest.starts_with(' ')) {
    rest.remove_prefix(1);
    const std::size_t equals = rest.find('=');
    if (equals == std::string_view::npos) break;
    const std::string_view key = rest.substr(0, equals);
    rest.remove_prefix(equals + 1);
    if (key == "detail") {
      failure.detail = std::string(rest);
      break;
    }
    const std::size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view value = rest.substr(0, end);
    rest.remove_prefix(end);
    if (key == "kind") {
      for (const KindWords& row : kKinds) {
        if (value == row.name) failure.kind = row.kind;
      }
    } else if (key == "status") {
      failure.status = read_int(value);
    } else if (key == "tries") {
      failure.tries = read_int(value);
    } else if (key == "gave_up_after") {
      failure.gave_up_after = read_int(value);
    }
  }
  return failure;
}

}  // namespace lv::base
