#include "app/widgets/gbk_qstring.h"

#include "base/code_page.h"

namespace lv::app {

QString to_qstring(std::string_view gbk) {
  const std::u16string wide = lv::base::gbk_to_utf16(gbk);
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

lv::base::Text to_gbk(const QString& text) {
  return lv::base::utf16_to_gbk(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())));
}

}  // namespace lv::app
