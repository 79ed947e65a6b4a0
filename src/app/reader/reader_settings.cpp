#include "app/reader/reader_settings.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

namespace lv::app {

namespace {

const QString kFontKey = QStringLiteral("reader/font");
const QString kTextColourKey = QStringLiteral("reader/text_colour");
const QString kBackgroundColourKey = QStringLiteral("reader/background_colour");
const QString kScriptKey = QStringLiteral("reader/script");

// The largest font size taken, in points or pixels: anything above is no
// reading size but damage.
constexpr double kMaxSize = 1000;

void save(const QString& key, const QString& value) {
  QSettings settings(reader_settings_path(), QSettings::IniFormat);
  settings.setValue(key, value);
}

QString saved_text(const QSettings& settings, const QString& key) {
  const QVariant value = settings.value(key);
  if (value.typeId() == QMetaType::QString) return value.toString();
  // A font description written back by hand without its quotes reads as a list.
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
  return {};
}

bool usable_size(const QString& field, double largest) {
  bool is_number = false;
  const double size = field.toDouble(&is_number);
  return is_number && size > 0 && size <= largest;
}

// "#RRGGBB" only: the form this file writes.
std::optional<QColor> colour_from(const QString& text) {
  static const QRegularExpression form(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
  if (!form.match(text).hasMatch()) return std::nullopt;
  return QColor::fromString(text);
}

// A font description as QFont writes it, with a face and a size in points
// or in pixels that a reader can use.
std::optional<QFont> font_from(const QString& text) {
  const QStringList fields = text.split(QLatin1Char(','));
  if (fields.size() < 3 || fields[0].trimmed().isEmpty()) return std::nullopt;
  if (!usable_size(fields[1], kMaxSize) && !usable_size(fields[2], kMaxSize)) return std::nullopt;
  QFont font;
  if (!font.fromString(text)) return std::nullopt;
  return font;
}

}  // namespace

QString reader_settings_path() {
  return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/settings.ini");
}

void save_reader_font(const QFont& font) { save(kFontKey, font.toString()); }
void save_reader_text_colour(const QColor& colour) { save(kTextColourKey, colour.name(QColor::HexRgb)); }
void save_reader_background_colour(const QColor& colour) {
  save(kBackgroundColourKey, colour.name(QColor::HexRgb));
}
void save_reader_script(lv::exporting::ChineseScript script) {
  // "as_written" stands for the site's own characters, which have no script name.
  const std::string_view name = lv::exporting::script_name(script);
  save(kScriptKey, name.empty() ? QStringLiteral("as_written") : QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
}

SavedAppearance load_reader_appearance() {
  const QSettings settings(reader_settings_path(), QSettings::IniFormat);
  SavedAppearance saved;
  saved.font = font_from(saved_text(settings, kFontKey));
  saved.text_colour = colour_from(saved_text(settings, kTextColourKey));
  saved.background_colour = colour_from(saved_text(settings, kBackgroundColourKey));
  const QString script = saved_text(settings, kScriptKey);
  if (script == QStringLiteral("as_written")) saved.script = lv::exporting::ChineseScript::as_written;
  else saved.script = lv::exporting::script_named(script.toStdString());
  return saved;
}

}  // namespace lv::app
