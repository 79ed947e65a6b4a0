#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "app/gbk_qstring.h"
#include "app/services.h"
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
      // program ends there as soon as the box is closed, before the window
      // thread can run on (or leave its loop) as if nothing had happened.
      QMetaObject::invokeMethod(
          app,
          [title, body] {
            show_error_box(title, body);
            lv::base::end_program(-1);
          },
          Qt::BlockingQueuedConnection);
    }
  });
}

}  // namespace lv::app
