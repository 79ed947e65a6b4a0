#include "app/shell/browser.h"

#include <QDesktopServices>
#include <mutex>

#include "app/widgets/gbk_qstring.h"

namespace lv::app {

namespace {

BrowserOpener& opener() {
  static BrowserOpener current;
  return current;
}

// Addresses come from downloaded pages: only a well-formed http or https
// address with a host reaches the system, never a file or a program.
bool is_web_address(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty()) return false;
  const QString scheme = url.scheme().toLower();
  return scheme == QStringLiteral("http") || scheme == QStringLiteral("https");
}

}  // namespace

bool open_in_browser(std::string_view gbk_target) {
  const QString text = to_qstring(gbk_target).trimmed();
  const QUrl url(text, QUrl::StrictMode);
  if (!is_web_address(url)) return false;
  if (opener()) return opener()(url);
  return QDesktopServices::openUrl(url);
}

BrowserOpener set_browser_opener(BrowserOpener replacement) {
  BrowserOpener previous = std::move(opener());
  opener() = std::move(replacement);
  return previous;
}

}  // namespace lv::app
