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
      // A worker's failed check: the box belongs to the window thread; the
      // worker waits until it has been closed, then the program ends.
      QMetaObject::invokeMethod(app, [title, body] { show_error_box(title, body); }, Qt::BlockingQueuedConnection);
    }
  });
}

}  // namespace lv::app
