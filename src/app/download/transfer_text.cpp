#include "app/download/transfer_text.h"

#include "base/code_page.h"
#include "base/convert.h"

namespace lv::app {

namespace {

using lv::net::TransferEnd;

const char* phrase(const lv::net::TransferOutcome& outcome, bool lacked_markers) {
  if (lacked_markers) return "页面中没有应有的内容（可能是拦截或验证页）";
  switch (outcome.end) {
    case TransferEnd::complete: return "服务器答复错误 HTTP ";
    case TransferEnd::bad_address: return "地址无法使用";
    case TransferEnd::connect_failed: return "无法连接";
    case TransferEnd::reset: return "连接中断";
    case TransferEnd::timed_out: return "超时";
    case TransferEnd::size_cap: return "页面过大";
    case TransferEnd::refused_address: return "地址被拒绝（本机或内网地址）";
    case TransferEnd::tls_failed: return "安全连接失败";
    case TransferEnd::cancelled: return "已取消";
    case TransferEnd::other: break;
  }
  return "下载失败";
}

}  // namespace

lv::base::Text transfer_problem_text(const lv::net::TransferOutcome& outcome, bool lacked_markers, int tries) {
  lv::base::Text text = lv::base::gbk(phrase(outcome, lacked_markers));
  if (!lacked_markers && outcome.end == TransferEnd::complete) text += lv::base::to_text(outcome.status);
  if (tries > 1) text += lv::base::gbk("（已试 ") + lv::base::to_text(tries) + lv::base::gbk(" 次）");
  return text;
}

}  // namespace lv::app
