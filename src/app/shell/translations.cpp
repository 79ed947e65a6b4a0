#include "app/shell/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace lv::app {

bool install_chinese_translation(QCoreApplication& app) {
  // Owned by the application, so it lives as long as the strings it gives.
  auto* translator = new QTranslator(&app);
  const bool loaded = translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"),
                                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (!loaded) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace lv::app
