// The rules dialog: what it shows, what 确定 keeps and refuses, the rules file
// read at start-up, and the try pane against the sample site.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "app/shell/app_context.h"
#include "app/widgets/gbk_qstring.h"
#include "app/main/main_window.h"
#include "app/rules/rules_dialog.h"
#include "app/rules/rules_form.h"
#include "app/rules/rules_store.h"
#include "app/rules/rules_text.h"
#include "app/rules/rules_trial_pane.h"
#include "base/code_page.h"
#include "routines/rules_file.h"
#include "routines/rules_in_force.h"
#include "sample_site/sample_server.h"

namespace lv::app {
namespace {

using lv::base::gbk;
using lv::scrape::built_in_rules;
using lv::scrape::SiteRules;

QString q(const char* utf8) { return QString::fromUtf8(utf8); }

// Presses OK on the next message box and keeps its text.
struct BoxAnswer {
  bool seen = false;
  QString text;
};
std::shared_ptr<BoxAnswer> answer_next_box() {
  auto answer = std::make_shared<BoxAnswer>();
  QTimer::singleShot(0, [answer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    answer->seen = true;
    answer->text = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  return answer;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class RulesDialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new lv::site::SampleServer;
    ASSERT_TRUE(server_->start());
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  void SetUp() override {
    std::filesystem::remove(rules_file_path());
    lv::routines::put_rules_in_force(built_in_rules());
    context.site_host = server_->site_host();
    dialog = std::make_unique<RulesDialog>(context);
  }
  void TearDown() override {
    // A trial still running reports to no dialog; the server outlives it.
    if (dialog) {
      EXPECT_TRUE(QTest::qWaitFor([this] { return !dialog->trial().running(); }, 10000));
    }
    dialog.reset();
    lv::routines::put_rules_in_force(built_in_rules());
    std::filesystem::remove(rules_file_path());
  }

 public:
  template <typename T>
  T* field(const std::string& name) const {
    T* found = dialog->findChild<T*>(QString::fromStdString(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  void press(const char* caption) const { field<QPushButton>(caption)->click(); }

 protected:

  static lv::site::SampleServer* server_;
  AppContext context;
  std::unique_ptr<RulesDialog> dialog;
};

lv::site::SampleServer* RulesDialogTest::server_ = nullptr;

TEST(RulesMarkerText, LineEndsShowAndEveryMarkerComesBackExactly) {
  const std::pair<std::string, const char*> cases[] = {
      {"</div>\r\n<div class=\"intro\">\r\n<b>", "</div>\\r\\n<div class=\"intro\">\\r\\n<b>"},
      {"a\\rb", "a\\\\rb"},       // a backslash and an r, not a CR
      {"C:\\", "C:\\\\"},
      {" a b  ", "\\sa b\\s\\s"},  // spaces at the ends show, those inside stay
      {"\\s", "\\\\s"},
      {gbk("作者：\t"), "作者：\\t"},
      {"", ""},
  };
  for (const auto& [marker, shown] : cases) {
    EXPECT_EQ(marker_for_editing(marker), q(shown));
    EXPECT_EQ(marker_from_editing(q(shown)), marker);
  }
  // Typed by hand: a backslash before another character, or at the end, is itself.
  EXPECT_EQ(marker_from_editing(q("\\d\\")), "\\d\\");
  EXPECT_EQ(marker_from_editing(q("a\\sb ")), "a b ");
  // Nothing is turned into '?' behind the user's back.
  EXPECT_EQ(marker_from_editing(q("a😀")), std::nullopt);
}

TEST_F(RulesDialogTest, ShowsTheRulesInForceFieldByField) {
  const SiteRules& rules = built_in_rules();
  EXPECT_EQ(dialog->windowTitle(), q("采集规则"));
  EXPECT_EQ(field<QLineEdit>("listing.titles.end")->text(), marker_for_editing(rules.listing.titles.end));
  EXPECT_EQ(field<QLineEdit>("book_page.intro.start")->text(), q("</div>\\r\\n<div class=\"intro\">\\r\\n<b>"));
  EXPECT_EQ(field<QSpinBox>("listing.addresses.from")->value(), 140);
  EXPECT_FALSE(field<QCheckBox>("chapter_list.titles.case_sensitive")->isChecked());
  EXPECT_EQ(field<QLineEdit>("book_page.status.label")->text(), q("状态："));
  EXPECT_EQ(field<QLineEdit>("listing.category")->text(), q("[修真小说]"));
  EXPECT_EQ(field<QTableWidget>("chapter_text.cleaning")->rowCount(), 2);
  EXPECT_EQ(field<QTableWidget>("book_page.intro_cleaning")->item(0, 1)->text(), q("\\r\\n"));
  // Read back from the fields, every byte and number is as it was.
  EXPECT_EQ(dialog->form().edited_rules(), rules);

  // Every rule has its fields: rules that differ everywhere come back whole.
  SiteRules odd = rules;
  int n = 0;
  const auto change_cut = [&n](lv::scrape::CutRule& r) {
    r.start += "<" + std::to_string(++n);
    r.end = " " + r.end;
    r.from += n;
    r.case_sensitive = !r.case_sensitive;
  };
  for (auto* r : {&odd.listing.titles, &odd.listing.addresses, &odd.listing.latest, &odd.book_page.name,
                  &odd.book_page.cover, &odd.book_page.author.cut, &odd.book_page.category.cut,
                  &odd.book_page.status.cut, &odd.book_page.intro, &odd.chapter_list.addresses,
                  &odd.chapter_list.titles, &odd.chapter_list.book_title, &odd.chapter_text.text}) {
    change_cut(*r);
  }
  for (auto* t : {&odd.site_host, &odd.listing.title_prefix, &odd.listing.title_suffix, &odd.listing.category,
                  &odd.book_page.author.label, &odd.book_page.category.label, &odd.book_page.status.label}) {
    *t += "x" + std::to_string(++n);
  }
  odd.book_page.intro_cleaning.push_back({"\\", "\t", 3, true});
  odd.chapter_text.cleaning.erase(odd.chapter_text.cleaning.begin());
  dialog->form().show_rules(odd);
  EXPECT_EQ(dialog->form().edited_rules(), odd);
}

TEST_F(RulesDialogTest, KeptRulesAreSavedAndPutInForce) {
  field<QLineEdit>("chapter_text.text.start")->setText(q("<div id=\"content\">\\r\\n"));
  field<QSpinBox>("listing.latest.from")->setValue(7);
  field<QCheckBox>("book_page.name.case_sensitive")->setChecked(false);
  auto* cleaning = field<QTableWidget>("chapter_text.cleaning");
  cleaning->parentWidget()->findChild<QPushButton*>(q("添加"))->click();
  cleaning->item(2, 0)->setText(q("广告"));
  field<QLineEdit>("site_host")->setText(q("books.test:8080"));
  press("确定");

  SiteRules expected = built_in_rules();
  expected.chapter_text.text.start = "<div id=\"content\">\r\n";
  expected.listing.latest.from = 7;
  expected.book_page.name.case_sensitive = false;
  expected.chapter_text.cleaning.push_back({gbk("广告"), "", 0, false});
  expected.site_host = "books.test:8080";
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(*lv::routines::rules_in_force(), expected);
  EXPECT_EQ(lv::routines::load_rules_file(rules_file_path()), expected);
  EXPECT_EQ(context.site_host, "books.test:8080");

  // 恢复默认 fills the fields; only 确定 keeps them.
  RulesDialog again(context);
  EXPECT_EQ(again.form().edited_rules(), expected);
  again.restore_defaults();
  EXPECT_EQ(again.form().edited_rules(), built_in_rules());
  EXPECT_EQ(*lv::routines::rules_in_force(), expected);
  again.findChild<QPushButton*>(q("取消"))->click();
  EXPECT_EQ(lv::routines::load_rules_file(rules_file_path()), expected);
  again.restore_defaults();
  ASSERT_TRUE(again.keep_rules());
  EXPECT_EQ(*lv::routines::rules_in_force(), built_in_rules());
}

TEST_F(RulesDialogTest, RefusedRulesNameTheFieldAndChangeNothing) {
  const struct {
    const char* field;
    std::function<void(RulesDialogTest&)> edit;
    const char* named;
  } cases[] = {
      {"listing.titles.start", [](RulesDialogTest& t) { t.field<QLineEdit>("listing.titles.start")->clear(); },
       "列表页 · 书名 · 开始标记（listing.titles.start）：不能为空"},
      {"chapter_list.book_title.end", [](RulesDialogTest& t) { t.field<QLineEdit>("chapter_list.book_title.end")->setText(q("</h1>😀")); },
       "章节列表 · 目录书名 · 结束标记（chapter_list.book_title.end）：含有 GBK 无法表示的字符"},
      {"chapter_text.cleaning", [](RulesDialogTest& t) { t.field<QTableWidget>("chapter_text.cleaning")->item(1, 2)->setData(Qt::EditRole, -1); },
       "章节正文 · 正文清理 · 第 2 步 · 次数（chapter_text.cleaning[1].count）：应不小于 0"},
      {"book_page.intro_cleaning", [](RulesDialogTest& t) { t.field<QTableWidget>("book_page.intro_cleaning")->item(0, 0)->setText(QString()); },
       "书页 · 简介清理 · 第 1 步 · 查找（book_page.intro_cleaning[0].find）：不能为空"},
      {"site_host", [](RulesDialogTest& t) { t.field<QLineEdit>("site_host")->setText(q("http://books.test/")); },
       "站点（site_host）：不是站点名"},
  };
  for (const auto& c : cases) {
    SetUp();
    c.edit(*this);
    const auto box = answer_next_box();
    EXPECT_FALSE(dialog->keep_rules()) << c.field;
    ASSERT_TRUE(box->seen) << c.field;
    EXPECT_TRUE(box->text.contains(q(c.named))) << box->text.toStdString();
    EXPECT_EQ(dialog->focusWidget()->objectName(), q(c.field));
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(*lv::routines::rules_in_force(), built_in_rules());
    EXPECT_FALSE(std::filesystem::exists(rules_file_path()));
    EXPECT_EQ(context.site_host, server_->site_host());
  }
}

TEST_F(RulesDialogTest, TheRulesFileIsReadAtStartUpOrRefusedWithItsField) {
  SiteRules kept = built_in_rules();
  kept.listing.category = gbk("[仙侠]");
  const struct {
    std::string file;
    const char* named;  // nullptr: taken
  } cases[] = {
      {R"({"version": 1, "listing": {"titles": {"from": -3}}})", "listing.titles.from）：应不小于 1"},
      {R"({"version": 1, "chapter_text": {"text": {"end": ""}}})", "chapter_text.text.end）：不能为空"},
      {R"({"version": 1, "book_page": {"colour": "red"}})", "书页 · colour（book_page.colour）：不认识的项"},
      {"{\"version\": 1,", "不是规则文件"},
      {std::string(lv::routines::kRulesFileLimit, ' ') + R"({"version": 1})", "超过 1 MiB"},
      {R"({"version": 1, "site_host": "books.test", "listing": {"category": "[仙侠]"}})", nullptr},
  };
  for (const auto& c : cases) {
    lv::routines::put_rules_in_force(built_in_rules());
    std::filesystem::create_directories(std::filesystem::path(rules_file_path()).parent_path());
    std::ofstream(rules_file_path(), std::ios::binary | std::ios::trunc) << c.file;
    const auto box = answer_next_box();
    const lv::base::Text host = load_saved_rules();
    if (c.named == nullptr) {
      EXPECT_FALSE(box->seen) << box->text.toStdString();
      EXPECT_EQ(host, "books.test");
      SiteRules read = kept;
      read.site_host = "books.test";
      EXPECT_EQ(*lv::routines::rules_in_force(), read);
      continue;
    }
    ASSERT_TRUE(box->seen) << c.file;
    EXPECT_TRUE(box->text.contains(q(c.named))) << box->text.toStdString();
    EXPECT_TRUE(box->text.contains(QString::fromStdString(rules_file_path())));
    EXPECT_EQ(host, "");
    EXPECT_EQ(*lv::routines::rules_in_force(), built_in_rules());
    EXPECT_EQ(read_file(rules_file_path()), c.file);  // left for the user to mend
  }
}

TEST_F(RulesDialogTest, TryPaneShowsWhatTheEditedRulesCut) {
  RulesTrialPane& pane = dialog->trial();
  const auto first = server_->site().book(1, 0);
  const int books = server_->site().books_on_listing_page(1);
  const auto cell = [&](int row, int column) { return pane.items().item(row, column)->text(); };
  press("试一试");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !pane.running(); }, 10000));
  ASSERT_EQ(pane.items().rowCount(), 3 * books) << pane.status().text().toStdString();
  EXPECT_EQ(cell(0, 0), q("书名 1"));
  EXPECT_EQ(cell(0, 1), to_qstring(gbk("《") + first.title + gbk("》")));
  EXPECT_EQ(cell(1, 1), to_qstring("http://" + server_->site_host() + first.path));
  EXPECT_TRUE(pane.status().text().contains(QStringLiteral("地址 %1 个").arg(books))) << pane.status().text().toStdString();

  // The rules as edited, not yet kept.
  field<QLineEdit>("listing.title_prefix")->setText(q("["));
  field<QLineEdit>("listing.title_suffix")->setText(q("]"));
  press("试一试");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !pane.running(); }, 10000));
  EXPECT_EQ(cell(0, 1), to_qstring("[" + first.title + "]"));
  EXPECT_EQ(*lv::routines::rules_in_force(), built_in_rules());

  // A book address leads on to its book page.
  emit pane.items().cellDoubleClicked(1, 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !pane.running(); }, 10000));
  EXPECT_EQ(cell(0, 0), q("书名"));
  EXPECT_EQ(cell(0, 1), to_qstring(first.title));

  // A page that does not come says so.
  server_->set_failure(lv::site::SampleSite::book_path(first.book_id), lv::site::Failure::unavailable);
  press("试一试");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !pane.running(); }, 10000));
  server_->clear_switches();
  EXPECT_TRUE(pane.status().text().contains(q("页面未取回：服务器答复错误 HTTP 503"))) << pane.status().text().toStdString();
}

TEST_F(RulesDialogTest, TheMainWindowsButtonOpensTheDialog) {
  lv::routines::SharedState state;
  context.state = &state;
  MainWindow window(context);
  bool opened = false;
  QTimer::singleShot(0, [&] {
    auto* shown = qobject_cast<RulesDialog*>(QApplication::activeModalWidget());
    opened = shown != nullptr;
    if (shown != nullptr) shown->reject();
  });
  window.findChild<QPushButton*>(q("按钮6"))->click();
  EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace lv::app
