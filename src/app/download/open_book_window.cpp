#include "app/download/open_book_window.h"

#include "app/shell/library_problem.h"

namespace lv::app {

BookDownloadWindow* open_book_window(QWidget& owner, BookDownloadWindow::Job job) {
  if (job.library_path.empty()) {
    show_library_problem(&owner, QStringLiteral("没有可用的书库，不能下载或导出。"));
    return nullptr;
  }
  auto* window = new BookDownloadWindow(std::move(job), &owner);
  window->setWindowFlag(Qt::Window);
  window->setAttribute(Qt::WA_DeleteOnClose);
  // Over the middle of the window that asked, where the eye already is.
  window->adjustSize();
  window->move(owner.mapToGlobal(owner.rect().center()) - window->rect().center());
  window->show();
  return window;
}

}  // namespace lv::app
