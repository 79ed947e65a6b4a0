#pragma once
// Why a page or a chapter did not come, as a value: a kind and its details.
// The layers below the windows and the command line pass failures on and
// store them; only those edges put them into words, English on the command
// line's standard error, Chinese in the windows and in exported books.
#include <optional>
#include <string>
#include <string_view>

namespace lv::base {

enum class FailureKind {
  none,             // nothing failed
  http_status,      // the server answered with an error status
  bad_address,      // the address could not be used
  connect_failed,   // no connection: name not found, refused, unreachable
  connection_reset, // the connection broke, or the body came short
  timed_out,        // nothing moved for too long, or the deadline passed
  too_large,        // the body reached the size cap
  refused_address,  // led to a loopback, private or link-local address
  tls_failed,       // the secure handshake or the certificate check failed
  cancelled,        // stopped on purpose
  transfer_failed,  // any other failure of the transfer
  no_markers,       // the page came whole but holds none of its markers (a block page)
  no_text,          // the chapter page holds no text (a placeholder)
  not_tried,        // not asked for: the site was given up on before
  not_fetched_yet,  // never tried
  words,            // kept as words only (stored by an earlier version): `detail`
};

struct Failure {
  FailureKind kind = FailureKind::none;
  int status = 0;          // for http_status
  int tries = 0;           // tries made; said when more than one
  int gave_up_after = 0;   // the site failed this many transfers in a row and was not asked again; 0: no
  std::string detail;      // the transfer layer's own words, or the words kept

  static Failure of(FailureKind kind) {
    Failure failure;
    failure.kind = kind;
    return failure;
  }
  bool failed() const { return kind != FailureKind::none; }
  friend bool operator==(const Failure&, const Failure&) = default;
};

// "HTTP 503 after 3 tries", "connection reset", ...
std::string english(const Failure& failure);
// "服务器答复错误 HTTP 404（已试 2 次）", ... (UTF-8)
std::string chinese(const Failure& failure);

// A compact form for storing a failure, and back. A stored text that is not
// in that form (an earlier version's words) reads back as kind `words`.
std::string encode_failure(const Failure& failure);
Failure decode_failure(std::string_view stored);

}  // namespace lv::base
