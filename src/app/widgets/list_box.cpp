#include "app/widgets/list_box.h"

#include "app/widgets/gbk_qstring.h"

namespace lv::app {

namespace {
constexpr int kDataRole = Qt::UserRole;
constexpr int kBytesRole = Qt::UserRole + 1;
}  // namespace

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  connect(this, &QListWidget::itemSelectionChanged, this, [this] {
    if (!writing_selection_) emit user_selection_changed(selection());
  });
}

int ListBox::selection() const {
  const QModelIndexList rows = selectionModel()->selectedIndexes();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void ListBox::set_selection(int index) {
  if (index >= count()) index = count() - 1;
  if (index < -1) index = -1;
  const bool was_writing = writing_selection_;
  writing_selection_ = true;
  if (index < 0) {
    clearSelection();
    setCurrentRow(-1);
  } else {
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(index));
  }
  writing_selection_ = was_writing;
}

int ListBox::add_item(std::string_view gbk_text, int item_data) {
  auto* entry = new QListWidgetItem(to_qstring(gbk_text));
  entry->setData(kDataRole, item_data);
  // The shown text is a conversion; the item keeps its own bytes so that
  // reading it back gives exactly what was added.
  entry->setData(kBytesRole, QByteArray(gbk_text.data(), static_cast<qsizetype>(gbk_text.size())));
  addItem(entry);
  return row(entry);
}

lv::base::Text ListBox::item_text(int index) const {
  if (index < 0 || index >= count()) return {};
  const QVariant stored = item(index)->data(kBytesRole);
  if (!stored.isValid()) return to_gbk(item(index)->text());
  const QByteArray bytes = stored.toByteArray();
  return lv::base::Text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void ListBox::show_item_as(int index, std::string_view gbk_text) {
  if (index >= 0 && index < count()) item(index)->setText(to_qstring(gbk_text));
}

int ListBox::item_data(int index) const {
  if (index < 0 || index >= count()) return 0;
  return item(index)->data(kDataRole).toInt();
}

}  // namespace lv::app
