#include "app/reader/find_results.h"

#include <QListWidget>
#include <QVBoxLayout>
#include <vector>

#include "app/widgets/gbk_qstring.h"
#include "library/library.h"
#include "routines/search_library.h"

namespace lv::app {

FindResults::FindResults(std::string library_path, std::string book, lv::base::Text sought, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("查找结果"));
  setWindowTitle(QStringLiteral("查找：") + to_qstring(sought));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("查找结果列表"));
  (new QVBoxLayout(this))->addWidget(list_);
  resize(520, 360);
  connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    if (!item->data(Qt::UserRole).isValid()) return;
    emit picked(item->data(Qt::UserRole).toInt(), static_cast<std::size_t>(item->data(Qt::UserRole + 1).toULongLong()));
  });
  search_.start([this, library_path, book, sought](std::stop_token stop) {
    lv::routines::SearchOptions options;
    options.book = book;
    options.limit = lv::routines::kHitsListed;
    options.stop = stop;
    std::vector<lv::routines::SearchHit> found;
    bool readable = true;
    try {
      if (const auto library = lv::library::Library::open_for_reading(library_path)) {
        lv::routines::search_library(*library, sought, options, [&found](const lv::routines::SearchHit& hit) {
          found.push_back(hit);
          return true;
        });
      }
    } catch (const lv::library::LibraryError&) {
      readable = false;
    }
    search_.post([this, readable, found = std::move(found)] {
      searching_ = false;
      if (!readable) list_->addItem(QStringLiteral("书库读不出来。"));
      else if (found.empty()) list_->addItem(QStringLiteral("没有找到。"));
      for (const auto& hit : found) {
        auto* item = new QListWidgetItem(to_qstring(hit.chapter_title) + QStringLiteral("：") + to_qstring(hit.snippet),
                                         list_);
        item->setData(Qt::UserRole, hit.index);
        item->setData(Qt::UserRole + 1, static_cast<qulonglong>(hit.offset));
      }
      if (found.size() >= static_cast<std::size_t>(lv::routines::kHitsListed)) {
        list_->addItem(QStringLiteral("……只列出前 %1 处").arg(found.size()));
      }
      if (list_->count() > 0) list_->setCurrentRow(0);
    });
  });
}

}  // namespace lv::app
