#include "app/widgets/picture_box.h"

#include <QPixmap>
#include <QResizeEvent>
#include <algorithm>
#include <cstdint>
#include <string>
#include <limits>

#include "base/pcx_image.h"
#include "base/picture_format.h"

namespace lv::app {

namespace {

QImage from_pcx(const lv::base::Bytes& bytes) {
  auto pcx = lv::base::decode_pcx(bytes);
  if (!pcx) return {};
  QImage image(pcx->width, pcx->height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < pcx->height; ++y) {
    const auto* row = pcx->pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(pcx->width);
    std::copy(row, row + pcx->width, reinterpret_cast<std::uint32_t*>(image.scanLine(y)));
  }
  return image;
}

}  // namespace

QImage decode_picture(const lv::base::Bytes& bytes) {
  const auto format = lv::base::detect_picture_format(bytes);
  if (format == lv::base::PictureFormat::none) return {};
  if (format == lv::base::PictureFormat::pcx) return from_pcx(bytes);
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
  // The reader is named outright so that a file is read only as the format
  // its start announced.
  const std::string_view name = lv::base::picture_format_name(format);
  const std::string reader(name);
  return QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), reader.c_str());
}

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignCenter);
  // The box keeps the size it was given; the picture adapts to it.
  setMinimumSize(1, 1);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void PictureBox::set_picture(const lv::base::Bytes& bytes) {
  bytes_ = bytes;
  image_ = bytes_.empty() ? QImage() : decode_picture(bytes_);
  show_scaled();
}

void PictureBox::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  show_scaled();
}

void PictureBox::show_scaled() {
  const QSize room = contentsRect().size();
  if (image_.isNull() || room.isEmpty()) {
    clear();
    return;
  }
  const QImage fitted = image_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  setPixmap(QPixmap::fromImage(fitted));
}

}  // namespace lv::app
