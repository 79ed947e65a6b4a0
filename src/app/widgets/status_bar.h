#pragma once
// A status bar of parts laid side by side, each with a width and a text.
#include <QWidget>
#include <optional>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace lv::app {

class PartStatusBar : public QWidget {
  Q_OBJECT

 public:
  // One part per width; a width of -1 reaches the right edge.
  explicit PartStatusBar(std::vector<int> widths, QWidget* parent = nullptr);

  int part_count() const { return static_cast<int>(parts_.size()); }

  // An invalid part index is ignored.
  void set_part_text(int part, std::string_view gbk = {});
  // Omitted width: 50; below -1 counts as -1. An invalid index is ignored.
  void set_part_width(int part, std::optional<int> width = std::nullopt);

  lv::base::Text part_text(int part) const;
  int part_width(int part) const;
  // Where the part lies in the bar; empty when it gets no room.
  QRect part_rect(int part) const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  struct Part {
    int width = 50;
    lv::base::Text text;
  };
  std::vector<Part> parts_;
};

}  // namespace lv::app
