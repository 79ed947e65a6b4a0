#pragma once
// A picture box: holds the bytes of an image file and shows the picture they
// hold, scaled to fit the box with its proportions kept.
#include <QImage>
#include <QLabel>

#include "base/text.h"

namespace lv::app {

// The picture in `bytes`, told by its first six bytes (bitmap, JPEG, icon,
// cursor, GIF, PCX); a null image for anything else or a broken file.
QImage decode_picture(const lv::base::Bytes& bytes);

class PictureBox : public QLabel {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  // Empty bytes clear the picture. The bytes are kept as given even when they
  // hold no picture that can be shown.
  void set_picture(const lv::base::Bytes& bytes);
  lv::base::Bytes picture() const { return bytes_; }

  // The decoded picture at its own size; null when nothing shows.
  const QImage& image() const { return image_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void show_scaled();

  lv::base::Bytes bytes_;
  QImage image_;
};

}  // namespace lv::app
