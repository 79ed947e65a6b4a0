#pragma once
// The bookshelf's rows: one per book of the library, from the library's
// summaries, each with a small cover picture once one has been decoded.
// Cells are worded once per load; sorting and filtering read the roles below.
#include <QAbstractTableModel>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/text.h"
#include "library/library.h"

namespace lv::app {

// A cover shrunk to the shelf's size; a null image when the bytes hold no
// picture. Safe on any thread (no pixmap is made).
QImage shelf_thumbnail(const lv::base::Bytes& cover);

class BookshelfModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column : int { cover, title, author, chapters, fresh, last_read, read_at, gaps, column_count };
  // Numbers where a cell shows a count or a time, so that 10 sorts after 9.
  static constexpr int kSortRole = Qt::UserRole + 1;
  // The title and the author: what the filter box looks in.
  static constexpr int kFilterRole = Qt::UserRole + 2;
  static constexpr QSize kCoverSize{36, 48};

  explicit BookshelfModel(QObject* parent = nullptr);

  // Replaces the rows; covers already decoded stay with their books.
  void set_books(std::vector<lv::library::BookSummary> books);
  // Thumbnails from shelf_thumbnail, by book address.
  void set_covers(std::vector<std::pair<std::string, QImage>> covers);
  void remove_book(const std::string& book);

  const lv::library::BookSummary* book_at(int row) const;
  int row_of(const std::string& book) const;
  bool has_cover(const std::string& book) const { return covers_.count(book) != 0; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

 private:
  struct Row {
    lv::library::BookSummary book;
    QString title;
    QString author;
    QString last_read;
    QString read_at;
    QString gaps;
  };
  static Row row_for(lv::library::BookSummary book);

  std::vector<Row> rows_;
  std::unordered_map<std::string, QPixmap> covers_;
};

}  // namespace lv::app
