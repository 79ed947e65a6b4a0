#include "app/rules/rules_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/rules/rules_cleaning_table.h"
#include "app/rules/rules_store.h"
#include "app/rules/rules_text.h"
#include "routines/rules_file.h"

namespace lv::app {

namespace {

using lv::scrape::CutRule;
using lv::scrape::SiteRules;

// Columns of a page's grid of cut rules.
enum Column { kCaption = 0, kStart, kEnd, kFrom, kCase, kLabel };

QString name_of(const std::string& path) { return QString::fromStdString(path); }

QLabel* heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

lv::base::Text read_text(const QLineEdit* edit, const std::string& path) {
  const auto text = marker_from_editing(edit->text());
  if (!text) throw lv::routines::RulesError(path + ": holds a character GBK cannot hold");
  return *text;
}

}  // namespace

RulesForm::RulesForm(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);

  auto* host_row = new QHBoxLayout;
  host_row->addWidget(new QLabel(QStringLiteral("站点："), this));
  site_host_ = add_text("site_host", [](SiteRules& r) -> lv::base::Text& { return r.site_host; }, this);
  site_host_->setToolTip(QStringLiteral("主机名，或 主机名:端口；空着就用启动时的站点"));
  host_row->addWidget(site_host_, 1);
  layout->addLayout(host_row);

  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("页面类别"));
  layout->addWidget(pages_, 1);

  QGridLayout* grid = nullptr;
  QWidget* listing = add_page(QStringLiteral("列表页"), false, grid);
  add_cut(grid, "listing.titles", [](SiteRules& r) -> CutRule& { return r.listing.titles; });
  add_cut(grid, "listing.addresses", [](SiteRules& r) -> CutRule& { return r.listing.addresses; });
  add_cut(grid, "listing.latest", [](SiteRules& r) -> CutRule& { return r.listing.latest; });
  auto* around = new QHBoxLayout;
  around->addWidget(new QLabel(QStringLiteral("书名前缀"), listing));
  around->addWidget(add_text("listing.title_prefix", [](SiteRules& r) -> lv::base::Text& { return r.listing.title_prefix; }, listing));
  around->addWidget(new QLabel(QStringLiteral("书名后缀"), listing));
  around->addWidget(add_text("listing.title_suffix", [](SiteRules& r) -> lv::base::Text& { return r.listing.title_suffix; }, listing));
  around->addWidget(new QLabel(QStringLiteral("类别"), listing));
  around->addWidget(add_text("listing.category", [](SiteRules& r) -> lv::base::Text& { return r.listing.category; }, listing), 2);
  static_cast<QVBoxLayout*>(listing->layout())->addLayout(around);
  static_cast<QVBoxLayout*>(listing->layout())->addStretch(1);

  QWidget* book = add_page(QStringLiteral("书页"), true, grid);
  add_cut(grid, "book_page.name", [](SiteRules& r) -> CutRule& { return r.book_page.name; });
  add_cut(grid, "book_page.cover", [](SiteRules& r) -> CutRule& { return r.book_page.cover; });
  add_cut(grid, "book_page.author", [](SiteRules& r) -> CutRule& { return r.book_page.author.cut; });
  add_cut(grid, "book_page.category", [](SiteRules& r) -> CutRule& { return r.book_page.category.cut; });
  add_cut(grid, "book_page.status", [](SiteRules& r) -> CutRule& { return r.book_page.status.cut; });
  add_cut(grid, "book_page.intro", [](SiteRules& r) -> CutRule& { return r.book_page.intro; });
  // The labels put in front of what was cut, in the rows of their rules.
  grid->addWidget(add_text("book_page.author.label", [](SiteRules& r) -> lv::base::Text& { return r.book_page.author.label; }, book), 3, kLabel);
  grid->addWidget(add_text("book_page.category.label", [](SiteRules& r) -> lv::base::Text& { return r.book_page.category.label; }, book), 4, kLabel);
  grid->addWidget(add_text("book_page.status.label", [](SiteRules& r) -> lv::base::Text& { return r.book_page.status.label; }, book), 5, kLabel);
  static_cast<QVBoxLayout*>(book->layout())->addWidget(heading(QStringLiteral("简介清理（自上而下依次执行）"), book));
  static_cast<QVBoxLayout*>(book->layout())->addWidget(
      add_cleaning("book_page.intro_cleaning", [](SiteRules& r) -> std::vector<lv::scrape::ReplaceRule>& { return r.book_page.intro_cleaning; }, book), 1);

  QWidget* chapters = add_page(QStringLiteral("章节列表"), false, grid);
  add_cut(grid, "chapter_list.addresses", [](SiteRules& r) -> CutRule& { return r.chapter_list.addresses; });
  add_cut(grid, "chapter_list.titles", [](SiteRules& r) -> CutRule& { return r.chapter_list.titles; });
  add_cut(grid, "chapter_list.book_title", [](SiteRules& r) -> CutRule& { return r.chapter_list.book_title; });
  static_cast<QVBoxLayout*>(chapters->layout())->addStretch(1);

  QWidget* text = add_page(QStringLiteral("章节正文"), false, grid);
  add_cut(grid, "chapter_text.text", [](SiteRules& r) -> CutRule& { return r.chapter_text.text; });
  static_cast<QVBoxLayout*>(text->layout())->addWidget(heading(QStringLiteral("正文清理（自上而下依次执行）"), text));
  static_cast<QVBoxLayout*>(text->layout())->addWidget(
      add_cleaning("chapter_text.cleaning", [](SiteRules& r) -> std::vector<lv::scrape::ReplaceRule>& { return r.chapter_text.cleaning; }, text), 1);

  auto* hint = new QLabel(QStringLiteral("标记里 \\r 是回车，\\n 是换行，\\t 是制表符，\\\\ 是反斜杠，\\s 是首尾的空格。\n"
                                         "{host} 代表站点，{name} 代表书名（只用于封面地址）；起始位置从第 1 个字节数起。"),
                          this);
  hint->setWordWrap(true);
  layout->addWidget(hint);
}

QWidget* RulesForm::add_page(const QString& title, bool with_labels, QGridLayout*& grid) {
  auto* page = new QWidget(pages_);
  auto* column = new QVBoxLayout(page);
  grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  grid->addWidget(heading(QStringLiteral("开始标记"), page), 0, kStart);
  grid->addWidget(heading(QStringLiteral("结束标记"), page), 0, kEnd);
  grid->addWidget(heading(QStringLiteral("起始位置"), page), 0, kFrom);
  grid->addWidget(heading(QStringLiteral("区分大小写"), page), 0, kCase);
  if (with_labels) grid->addWidget(heading(QStringLiteral("前加标签"), page), 0, kLabel);
  grid->setColumnStretch(kStart, 3);
  grid->setColumnStretch(kEnd, 3);
  if (with_labels) grid->setColumnStretch(kLabel, 1);
  column->addLayout(grid);
  pages_->addTab(page, title);
  return page;
}

void RulesForm::add_cut(QGridLayout* grid, std::string path, CutRule& (*rule)(SiteRules&)) {
  QWidget* page = grid->parentWidget();
  const int row = grid->rowCount();
  CutFields fields{std::move(path), rule};
  grid->addWidget(new QLabel(rules_item_caption(fields.path), page), row, kCaption);
  fields.start = new QLineEdit(page);
  fields.end = new QLineEdit(page);
  fields.from = new QSpinBox(page);
  fields.from->setRange(1, 1'000'000'000);
  fields.from->setMaximumWidth(90);
  fields.case_sensitive = new QCheckBox(page);
  fields.start->setObjectName(name_of(fields.path + ".start"));
  fields.end->setObjectName(name_of(fields.path + ".end"));
  fields.from->setObjectName(name_of(fields.path + ".from"));
  fields.case_sensitive->setObjectName(name_of(fields.path + ".case_sensitive"));
  // Long markers scroll in their field; the whole marker shows on hover.
  for (QLineEdit* edit : {fields.start, fields.end}) connect(edit, &QLineEdit::textChanged, edit, &QWidget::setToolTip);
  grid->addWidget(fields.start, row, kStart);
  grid->addWidget(fields.end, row, kEnd);
  grid->addWidget(fields.from, row, kFrom);
  grid->addWidget(fields.case_sensitive, row, kCase, Qt::AlignCenter);
  cuts_.push_back(std::move(fields));
}

QLineEdit* RulesForm::add_text(std::string path, lv::base::Text& (*text)(SiteRules&), QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name_of(path));
  texts_.push_back(TextField{std::move(path), text, edit});
  return edit;
}

CleaningTable* RulesForm::add_cleaning(std::string path, std::vector<lv::scrape::ReplaceRule>& (*steps)(SiteRules&),
                                       QWidget* parent) {
  auto* table = new CleaningTable(std::move(path), parent);
  cleanings_.push_back(CleaningField{steps, table});
  return table;
}

void RulesForm::show_rules(const SiteRules& shown) {
  SiteRules rules = shown;  // the accessors hand out writable references
  for (const CutFields& f : cuts_) {
    const CutRule& rule = f.rule(rules);
    f.start->setText(marker_for_editing(rule.start));
    f.end->setText(marker_for_editing(rule.end));
    f.from->setValue(rule.from);
    f.case_sensitive->setChecked(rule.case_sensitive);
    f.start->setCursorPosition(0);
    f.end->setCursorPosition(0);
  }
  for (const TextField& f : texts_) f.edit->setText(marker_for_editing(f.text(rules)));
  for (const CleaningField& f : cleanings_) f.table->show_steps(f.steps(rules));
}

SiteRules RulesForm::edited_rules() const {
  SiteRules rules = lv::scrape::built_in_rules();
  for (const CutFields& f : cuts_) {
    CutRule& rule = f.rule(rules);
    rule.start = read_text(f.start, f.path + ".start");
    rule.end = read_text(f.end, f.path + ".end");
    rule.from = f.from->value();
    rule.case_sensitive = f.case_sensitive->isChecked();
  }
  for (const TextField& f : texts_) f.text(rules) = read_text(f.edit, f.path);
  for (const CleaningField& f : cleanings_) f.steps(rules) = f.table->steps();
  check_rules(rules);
  return rules;
}

void RulesForm::focus_field(std::string_view path) {
  QWidget* target = findChild<QWidget*>(QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
  CleaningTable* table = nullptr;
  if (target == nullptr) {
    // A cell of a cleaning table, or a rule named by its prefix.
    for (const CleaningField& f : cleanings_) {
      const QString name = f.table->table().objectName();
      if (QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())).startsWith(name)) table = f.table;
    }
    if (table != nullptr) target = &table->table();
  }
  if (target == nullptr) {
    const std::string start = std::string(path) + ".start";
    target = findChild<QWidget*>(QString::fromStdString(start));
  }
  if (target == nullptr) return;
  for (QWidget* w = target; w != nullptr; w = w->parentWidget()) {
    if (const int tab = pages_->indexOf(w); tab >= 0) {
      pages_->setCurrentIndex(tab);
      break;
    }
  }
  if (table != nullptr) {
    table->focus_cell(path);
  } else {
    target->setFocus(Qt::OtherFocusReason);
  }
}

void RulesForm::set_site_host_hint(const QString& host) {
  site_host_->setPlaceholderText(QStringLiteral("空：用启动时的站点 ") + host);
}

}  // namespace lv::app
