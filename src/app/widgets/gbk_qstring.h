#pragma once
// The one place where the program's GBK texts meet the screen.
#include <QString>
#include <string_view>

#include "base/text.h"

namespace lv::app {

QString to_qstring(std::string_view gbk);
lv::base::Text to_gbk(const QString& text);

}  // namespace lv::app
