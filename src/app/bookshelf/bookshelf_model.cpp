#include "app/bookshelf/bookshelf_model.h"

#include <QDateTime>
#include <QStringList>

#include "app/widgets/gbk_qstring.h"
#include "app/widgets/picture_box.h"
#include "export/book_text.h"

namespace lv::app {

namespace {

QString gaps_text(const lv::library::BookSummary& book) {
  QStringList parts;
  if (book.missing > 0) parts << QStringLiteral("缺 %1 章").arg(book.missing);
  if (book.removed > 0) parts << QStringLiteral("网站已删 %1 章").arg(book.removed);
  return parts.isEmpty() ? QStringLiteral("无") : parts.join(QStringLiteral("，"));
}

}  // namespace

QImage shelf_thumbnail(const lv::base::Bytes& cover) {
  if (cover.empty()) return {};
  const QImage picture = decode_picture(cover);
  if (picture.isNull()) return {};
  return picture.scaled(BookshelfModel::kCoverSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

BookshelfModel::BookshelfModel(QObject* parent) : QAbstractTableModel(parent) {}

BookshelfModel::Row BookshelfModel::row_for(lv::library::BookSummary book) {
  Row row;
  row.title = to_qstring(book.title);
  row.author = to_qstring(lv::exporting::author_name(book.author));  // as the e-books name the author
  if (book.last_read_index >= 0) {
    row.last_read = to_qstring(book.last_read_title);
    if (row.last_read.isEmpty()) row.last_read = QStringLiteral("第 %1 章").arg(book.last_read_index + 1);
  } else {
    row.last_read = QStringLiteral("未读");
  }
  if (book.reading) {
    row.read_at = QDateTime::fromSecsSinceEpoch(book.reading->read_at).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
  }
  row.gaps = gaps_text(book);
  row.book = std::move(book);
  return row;
}

void BookshelfModel::set_books(std::vector<lv::library::BookSummary> books) {
  beginResetModel();
  rows_.clear();
  rows_.reserve(books.size());
  for (auto& book : books) rows_.push_back(row_for(std::move(book)));
  endResetModel();
}

void BookshelfModel::set_covers(std::vector<std::pair<std::string, QImage>> covers) {
  for (auto& [book, image] : covers) {
    covers_[book] = image.isNull() ? QPixmap() : QPixmap::fromImage(image);
    const int row = row_of(book);
    if (row >= 0) emit dataChanged(index(row, cover), index(row, cover), {Qt::DecorationRole});
  }
}

void BookshelfModel::remove_book(const std::string& book) {
  const int row = row_of(book);
  covers_.erase(book);
  if (row < 0) return;
  beginRemoveRows({}, row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

const lv::library::BookSummary* BookshelfModel::book_at(int row) const {
  return row >= 0 && row < static_cast<int>(rows_.size()) ? &rows_[static_cast<std::size_t>(row)].book : nullptr;
}

int BookshelfModel::row_of(const std::string& book) const {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].book.book == book) return static_cast<int>(i);
  }
  return -1;
}

int BookshelfModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BookshelfModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : column_count; }

QVariant BookshelfModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  const lv::library::BookSummary& book = row.book;
  if (role == kFilterRole) return row.title + QLatin1Char('\n') + row.author;
  if (role == Qt::DecorationRole && index.column() == cover) {
    const auto found = covers_.find(book.book);
    if (found == covers_.end() || found->second.isNull()) return {};
    return found->second;
  }
  if (role == Qt::ToolTipRole && index.column() == title) return QString::fromStdString(book.book);
  if (role == Qt::TextAlignmentRole && (index.column() == chapters || index.column() == fresh)) {
    return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
  }
  const bool sorting = role == kSortRole;
  if (role != Qt::DisplayRole && !sorting) return {};
  switch (index.column()) {
    case cover: return sorting ? QVariant(row.title) : QVariant();
    case title: return row.title;
    case author: return row.author;
    case chapters:
      if (sorting) return book.chapters;
      return QStringLiteral("%1 / %2").arg(book.stored).arg(book.chapters);
    case fresh:
      if (sorting) return book.new_since_read;
      return QString::number(book.new_since_read);
    case last_read: return sorting ? QVariant(book.last_read_index) : QVariant(row.last_read);
    case read_at:
      if (sorting) return static_cast<qlonglong>(book.reading ? book.reading->read_at : 0);
      return row.read_at;
    case gaps:
      // Missing chapters weigh more than chapters the site took down.
      if (sorting) return static_cast<qlonglong>(book.missing) * 1000000 + book.removed;
      return row.gaps;
    default: return {};
  }
}

QVariant BookshelfModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case cover: return QStringLiteral("封面");
    case title: return QStringLiteral("书名");
    case author: return QStringLiteral("作者");
    case chapters: return QStringLiteral("已存 / 全部章节");
    case fresh: return QStringLiteral("新章节");
    case last_read: return QStringLiteral("读到");
    case read_at: return QStringLiteral("上次阅读");
    case gaps: return QStringLiteral("缺章");
    default: return {};
  }
}

}  // namespace lv::app
