#include "app/download/book_download_window.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/widgets/gbk_qstring.h"
#include "app/widgets/progress_frame.h"
#include "app/shell/library_problem.h"
#include "export/book_export.h"
#include "library/library.h"

namespace lv::app {

namespace {

QString clock_text(double seconds) {
  if (seconds < 0 || seconds > 359999) return QStringLiteral("--:--");
  const long s = static_cast<long>(seconds + 0.5);
  return s >= 3600 ? QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'))
                   : QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

// At most this many missing chapters are named in the window; the rest are counted.
constexpr std::size_t kNamedMissing = 8;

QString counts_text(const lv::routines::BookDownloadOptions::Progress& p) {
  QString counts = QStringLiteral("已存 %1 / %2 章").arg(p.stored).arg(p.total);
  if (p.failed > 0) counts += QStringLiteral("，%1 章未能取回").arg(p.failed);
  return counts;
}

}  // namespace

QString download_speed_text(const lv::routines::BookDownloadOptions::Progress& p) {
  const double seconds = std::chrono::duration<double>(p.elapsed).count();
  const double speed = seconds > 0 ? p.fetched / seconds : 0;
  const int left = p.total - p.stored - p.failed;
  return QStringLiteral("速度 %1 章/秒　剩余 %2")
      .arg(speed, 0, 'f', 1)
      .arg(speed > 0 ? clock_text(left / speed) : QStringLiteral("--:--"));
}

BookDownloadWindow::BookDownloadWindow(Job job, QWidget* parent) : QDialog(parent), job_(std::move(job)) {
  setObjectName(QStringLiteral("下载全书"));
  setWindowTitle(QStringLiteral("下载全书 - ") + job_.title);
  setMinimumWidth(420);
  frame_ = new ProgressFrame(this);
  (new QVBoxLayout(this))->addWidget(frame_);
  counts().setText(QStringLiteral("正在读取目录……"));
  speed_ = &frame_->add_line();
  connect(frame_, &ProgressFrame::cancel_requested, this, &BookDownloadWindow::cancel);
  worker_.start([this](const std::stop_token& stop) { run(stop); });
}

// The task cancels and waits: no download outlives the window that owns it.
BookDownloadWindow::~BookDownloadWindow() = default;

bool BookDownloadWindow::running() const { return frame_->running(); }
QProgressBar& BookDownloadWindow::bar() const { return frame_->bar(); }
QLabel& BookDownloadWindow::counts() const { return frame_->counts(); }
QLabel& BookDownloadWindow::outcome() const { return frame_->outcome(); }
QPushButton& BookDownloadWindow::button() const { return frame_->button(); }

void BookDownloadWindow::cancel() {
  if (!running()) return;
  worker_.request_stop();
  cancelling_ = true;
  frame_->cancelling();
  counts().setText(counts().text() + QStringLiteral("（正在取消……）"));
}

void BookDownloadWindow::closeEvent(QCloseEvent* event) {
  worker_.request_stop();
  QDialog::closeEvent(event);
}

void BookDownloadWindow::run(const std::stop_token& stop) {
  Result result;
  try {
    lv::library::Library library = lv::library::Library::open(job_.library_path);
    lv::routines::BookDownloadOptions options;
    options.scheduler = job_.scheduler;
    options.stop = stop;
    options.progress = [this](const auto& progress) {
      worker_.post([this, progress] { show_progress(progress); });
    };
    result.report = lv::routines::download_book(job_.book, library, options);
    if (job_.export_to && result.report.known && !stop.stop_requested()) {
      if (const auto book = library.book(job_.book, true)) {
        try {
          if (job_.export_to->epub) {
            result.cover_problem = lv::exporting::write_epub(*book, job_.export_to->path).cover_problem;
          } else {
            lv::exporting::write_txt(*book, job_.export_to->path, lv::exporting::TextEncoding::utf8);
          }
          result.exported = true;
        } catch (const lv::exporting::NoChaptersError&) {
          result.no_chapters = true;
        }
      }
    }
  } catch (const lv::library::LibraryError& error) {
    result.library_error = library_problem_text(error);
  } catch (const lv::exporting::ExportError&) {
    result.export_failed = true;
  }
  worker_.post([this, result = std::move(result)] { show_result(result); });
}

void BookDownloadWindow::show_progress(const lv::routines::BookDownloadOptions::Progress& p) {
  last_progress_ = p;
  // The bar counts chapters settled: stored, or tried and given up on.
  bar().setRange(0, std::max(1, p.total));
  bar().setValue(std::min(p.total, p.stored + p.failed));
  counts().setText(counts_text(p) + (cancelling_ ? QStringLiteral("（正在取消……）") : QString()));
  speed_->setText(download_speed_text(p));
}

void BookDownloadWindow::show_result(const Result& result) {
  cancelling_ = false;
  const auto& r = result.report;
  // Ended: the counts as they stand, the time it took, nothing still to come.
  if (last_progress_) {
    counts().setText(counts_text(*last_progress_));
    speed_->setText(QStringLiteral("用时 %1").arg(clock_text(r.seconds)));
  } else {
    counts().clear();
    speed_->clear();
  }
  QString text;
  if (!result.library_error.isEmpty()) {
    text = result.library_error;
  } else if (!r.known) {
    text = QStringLiteral("未能取回书页，书库中也没有这本书。");
  } else if (r.empty_list_ignored) {
    text = QStringLiteral("书页上的目录是空的，书库里却存着 %1 章：书库保持原样，没有改动（网站的版式可能变了）。")
               .arg(r.chapters);
  } else if (r.stopped) {
    text = QStringLiteral("已取消；已下载的 %1 章保存在书库中，下次下载从缺的章节接着取。").arg(r.stored);
  } else if (r.missing.empty()) {
    text = QStringLiteral("完成：%1 章全部存入书库。").arg(r.chapters);
  } else {
    text = QStringLiteral("有 %1 章未能取回，下次下载时再取：").arg(r.missing.size());
    for (std::size_t i = 0; i < r.missing.size() && i < kNamedMissing; ++i) {
      text += QStringLiteral("\n") + to_qstring(r.missing[i].title) + QStringLiteral("（") +
              QString::fromStdString(lv::base::chinese(r.missing[i].failure)) + QStringLiteral("）");
    }
    if (r.missing.size() > kNamedMissing) text += QStringLiteral("\n……");
    if (r.site_gave_up) text += QStringLiteral("\n网站接连多次没有答复，下载不再向它要；已存的章节都留在书库中。");
  }
  if (result.exported) {
    text += QStringLiteral("\n已导出到 ") + QString::fromStdString(job_.export_to->path);
    if (!r.missing.empty()) text += QStringLiteral("（缺的章节在文件中注明未能取回）");
    if (result.cover_problem != lv::exporting::CoverProblem::none) {
      text += QStringLiteral("\n封面没有放进书里：") +
              QString::fromStdString(lv::exporting::chinese(result.cover_problem));
    }
  }
  if (result.no_chapters) text += QStringLiteral("\n这本书没有章节，没有写出文件。");
  if (result.export_failed) {
    text += QStringLiteral("\n无法写出文件 %1（磁盘已满、没有写的权限，或目标不是普通文件）。")
                .arg(QString::fromStdString(job_.export_to->path));
  }
  // The bar stands at its end when the download ran its course, missing
  // chapters or not; cut short or never started, it stays where it was.
  frame_->finish(text, r.known && !r.stopped && result.library_error.isEmpty());
  emit work_finished();
}

}  // namespace lv::app
