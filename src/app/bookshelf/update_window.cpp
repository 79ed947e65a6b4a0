#include "app/bookshelf/update_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <algorithm>

#include "app/shell/library_problem.h"
#include "app/widgets/gbk_qstring.h"
#include "app/widgets/progress_frame.h"
#include "library/library.h"

namespace lv::app {

namespace {

// At most this many books are named in the outcome; the rest are counted.
constexpr int kNamedBooks = 8;

QString book_title(const lv::routines::BookUpdate& book) {
  return book.title.empty() ? QString::fromStdString(book.book)
                            : QStringLiteral("《") + to_qstring(book.title) + QStringLiteral("》");
}

// What the run did to one book; "" when nothing changed and nothing failed.
QString book_line(const lv::routines::BookUpdate& book) {
  if (book.book_page_failure.kind != lv::base::FailureKind::none && book.list_change.added == 0) {
    return book_title(book) + QStringLiteral("：书页未能取回（") +
           QString::fromStdString(lv::base::chinese(book.book_page_failure)) + QStringLiteral("）");
  }
  if (book.empty_list_ignored) return book_title(book) + QStringLiteral("：书页上的目录是空的，书库保持原样");
  QStringList parts;
  const auto& change = book.list_change;
  if (change.added > 0) parts << QStringLiteral("新增 %1 章").arg(change.added);
  if (change.removed > 0) parts << QStringLiteral("网站删去 %1 章（已存的保留）").arg(change.removed);
  if (change.renamed > 0) parts << QStringLiteral("改名 %1 章").arg(change.renamed);
  if (book.fetched > 0) parts << QStringLiteral("存入 %1 章").arg(book.fetched);
  if (book.failed > 0) parts << QStringLiteral("%1 章未能取回").arg(book.failed);
  return parts.isEmpty() ? QString() : book_title(book) + QStringLiteral("：") + parts.join(QStringLiteral("，"));
}

}  // namespace

UpdateWindow::UpdateWindow(Job job, QWidget* parent) : QDialog(parent), job_(std::move(job)) {
  setObjectName(QStringLiteral("检查更新"));
  setWindowTitle(QStringLiteral("检查更新 - ") + job_.what);
  setMinimumWidth(420);
  frame_ = new ProgressFrame(this);
  (new QVBoxLayout(this))->addWidget(frame_);
  counts().setText(QStringLiteral("正在检查 0 / %1 本书……").arg(job_.books.size()));
  connect(frame_, &ProgressFrame::cancel_requested, this, &UpdateWindow::cancel);
  worker_.start([this](const std::stop_token& stop) { run(stop); });
}

UpdateWindow::~UpdateWindow() = default;

bool UpdateWindow::running() const { return frame_->running(); }
QProgressBar& UpdateWindow::bar() const { return frame_->bar(); }
QLabel& UpdateWindow::counts() const { return frame_->counts(); }
QLabel& UpdateWindow::outcome() const { return frame_->outcome(); }

void UpdateWindow::cancel() {
  worker_.request_stop();
  frame_->cancelling();
  counts().setText(QStringLiteral("正在取消……"));
}

void UpdateWindow::closeEvent(QCloseEvent* event) {
  worker_.request_stop();
  QDialog::closeEvent(event);
}

void UpdateWindow::run(const std::stop_token& stop) {
  Result result;
  try {
    lv::library::Library library = lv::library::Library::open(job_.library_path);
    lv::routines::UpdateOptions options;
    options.scheduler = job_.scheduler;
    options.stop = stop;
    options.progress = [this](const lv::routines::UpdateProgress& progress) {
      worker_.post([this, progress] { show_progress(progress); });
    };
    result.report = lv::routines::update_books(job_.books, library, options);
  } catch (const lv::library::LibraryError& error) {
    result.library_error = library_problem_text(error);
  }
  worker_.post([this, result = std::move(result)] { show_result(result); });
}

void UpdateWindow::show_progress(const lv::routines::UpdateProgress& p) {
  // Several books: the bar counts books, as the chapter total grows while
  // their lists come in. One book: it counts that book's chapters settled.
  if (p.books > 1) {
    bar().setRange(0, p.books);
    bar().setValue(p.books_done);
  } else if (p.chapters > 0) {
    bar().setRange(0, p.chapters);
    bar().setValue(std::min(p.chapters, p.stored + p.failed));
  }
  if (!frame_->button().isEnabled()) return;  // cancelling says so until the end
  QString text = QStringLiteral("已检查 %1 / %2 本书，新存入 %3 章").arg(p.books_done).arg(p.books).arg(p.fetched);
  if (p.failed > 0) text += QStringLiteral("，%1 章未能取回").arg(p.failed);
  counts().setText(text);
}

void UpdateWindow::show_result(const Result& result) {
  const auto& r = result.report;
  int checked = 0;
  int fetched = 0;
  int failed = 0;
  int with_new = 0;
  QStringList lines;
  int unnamed = 0;
  for (const auto& book : r.books) {
    if (book.book_page_failure.kind == lv::base::FailureKind::none) ++checked;
    fetched += book.fetched;
    failed += book.failed;
    if (book.list_change.added > 0) ++with_new;
    const QString line = book_line(book);
    if (line.isEmpty()) continue;
    if (lines.size() < kNamedBooks) lines << line;
    else ++unnamed;
  }
  if (unnamed > 0) lines << QStringLiteral("……另有 %1 本书有变化").arg(unnamed);
  const int total = static_cast<int>(job_.books.size());

  QString summary = QStringLiteral("已检查 %1 / %2 本书，新存入 %3 章").arg(checked).arg(total).arg(fetched);
  if (failed > 0) summary += QStringLiteral("，%1 章未能取回").arg(failed);
  QString text;
  if (!result.library_error.isEmpty()) {
    text = result.library_error;
  } else if (r.stopped) {
    text = QStringLiteral("已取消；已存入的章节保存在书库中，下次检查从缺的章节接着取。");
  } else if (with_new > 0) {
    text = QStringLiteral("完成：%1 本书有新章节。").arg(with_new);
  } else if (fetched > 0) {
    text = QStringLiteral("完成：没有新章节；补存了以前缺的 %1 章。").arg(fetched);
  } else {
    text = QStringLiteral("完成：没有新章节。");
  }
  if (!lines.isEmpty()) text += QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
  if (r.site_gave_up) text += QStringLiteral("\n网站接连多次没有答复，检查不再向它要；已存的章节都留在书库中。");
  counts().setText(summary);
  frame_->finish(text, !r.stopped && result.library_error.isEmpty());
  emit work_finished();
}

}  // namespace lv::app
