#include "app/shell/runtime_error_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <future>

#include "app/shell/task.h"
#include "app/widgets/gbk_qstring.h"
#include "base/program_end.h"

namespace lv::app {

namespace {

void show_error_box(const lv::base::Text& title, const lv::base::Text& body) {
  QMessageBox box(QMessageBox::Critical, to_qstring(title), to_qstring(body), QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace

void install_runtime_error_presenter() {
  lv::base::set_runtime_error_presenter([](const lv::base::Text& title, const lv::base::Text& body) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || qobject_cast<QApplication*>(app) == nullptr) return;
    if (QThread::currentThread() == app->thread()) {
      show_error_box(title, body);
    } else {
      // A worker's failed check: the box belongs to the window thread, and the
      // program ends there as soon as the box is closed. The worker waits for
      // that end and goes no further. The end does not stop and join the
      // windows' work as a normal end does: this worker may be part of it.
      queue_on_thread_of(app, [title, body] {
        show_error_box(title, body);
        lv::base::end_program_at_once(-1);
      });
      std::promise<void> never;
      never.get_future().wait();
    }
  });
}

}  // namespace lv::app
