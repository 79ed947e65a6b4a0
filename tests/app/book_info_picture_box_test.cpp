// The picture box: formats told by their first bytes, shown scaled to fit.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPixmap>

#include "app/widgets/picture_box.h"

namespace {

using lv::app::decode_picture;
using lv::app::PictureBox;
using lv::base::Bytes;

Bytes encoded(const QImage& image, const char* format, int quality = -1) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  EXPECT_TRUE(image.save(&buffer, format, quality)) << format;
  return Bytes(data.constData(), static_cast<std::size_t>(data.size()));
}

QImage filled(int w, int h, QColor colour) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

Bytes raw(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return Bytes(std::move(out));
}

// A 1 x 1 GIF whose one pixel is colour 0 of a red-and-black table.
Bytes red_gif() {
  return raw({'G', 'I', 'F', '8', '9', 'a', 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0xFF, 0x00,
              0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00,
              0x02, 0x02, 0x44, 0x01, 0x00, 0x3B});
}

// 2 x 1 PCX: one run of two pixels of colour 1, palette colour 1 blue.
Bytes blue_pcx() {
  std::vector<std::uint8_t> file(128, 0);
  file[0] = 0x0A;
  file[1] = 5;
  file[2] = 1;
  file[3] = 8;
  file[8] = 1;  // x_max
  file[65] = 1;
  file[66] = 2;
  file.insert(file.end(), {0xC2, 0x01});
  std::vector<std::uint8_t> palette(769, 0);
  palette[0] = 0x0C;
  palette[1 + 3 + 2] = 0xFF;
  file.insert(file.end(), palette.begin(), palette.end());
  return Bytes(std::move(file));
}

TEST(PictureBoxDecode, ReadsEveryListedFormat) {
  const QImage green = filled(20, 10, Qt::green);
  EXPECT_EQ(decode_picture(encoded(green, "BMP")).size(), QSize(20, 10));
  EXPECT_EQ(decode_picture(encoded(green, "JPEG", 90)).size(), QSize(20, 10));
  const Bytes icon = encoded(filled(16, 16, Qt::green), "ICO");
  EXPECT_EQ(decode_picture(icon).size(), QSize(16, 16));
  Bytes cursor = icon;
  cursor.data()[2] = 2;  // the same directory as a cursor
  EXPECT_EQ(decode_picture(cursor).size(), QSize(16, 16));

  const QImage gif = decode_picture(red_gif());
  ASSERT_EQ(gif.size(), QSize(1, 1));
  EXPECT_EQ(gif.pixelColor(0, 0), QColor(Qt::red));

  const QImage pcx = decode_picture(blue_pcx());
  ASSERT_EQ(pcx.size(), QSize(2, 1));
  EXPECT_EQ(pcx.pixelColor(1, 0), QColor(Qt::blue));
}

TEST(PictureBoxDecode, ReadsOnlyAsTheFormatTheStartAnnounces) {
  Bytes png = encoded(filled(8, 8, Qt::green), "PNG");
  EXPECT_TRUE(decode_picture(png).isNull());  // not a listed format
  // A JPEG whose first bytes were changed to "BM" is not read as a JPEG.
  Bytes jpeg = encoded(filled(8, 8, Qt::green), "JPEG");
  jpeg.data()[0] = 'B';
  jpeg.data()[1] = 'M';
  EXPECT_TRUE(decode_picture(jpeg).isNull());
  EXPECT_TRUE(decode_picture(Bytes::from_string("BM")).isNull());
  EXPECT_TRUE(decode_picture(Bytes::from_string("GIF89a garbage that is no picture")).isNull());
  EXPECT_TRUE(decode_picture(raw({0xFF, 0xD8, 0, 0, 0, 0, 0, 0})).isNull());
}

TEST(PictureBox, ShowsThePictureScaledToFitKeepingItsShape) {
  PictureBox box;
  box.resize(112, 144);
  const Bytes cover = encoded(filled(120, 150, Qt::darkCyan), "JPEG", 90);
  box.set_picture(cover);
  EXPECT_EQ(box.picture(), cover);
  EXPECT_EQ(box.image().size(), QSize(120, 150));
  EXPECT_EQ(box.pixmap().size(), QSize(112, 140));

  box.set_picture(encoded(filled(16, 8, Qt::red), "BMP"));  // small and wide: grows to the width
  EXPECT_EQ(box.pixmap().size(), QSize(112, 56));
}

TEST(PictureBox, EmptyClearsAndUnknownShowsNothingButKeepsTheBytes) {
  PictureBox box;
  box.resize(112, 144);
  box.set_picture(encoded(filled(10, 10, Qt::red), "BMP"));
  ASSERT_FALSE(box.pixmap().isNull());

  box.set_picture({});
  EXPECT_TRUE(box.pixmap().isNull());
  EXPECT_TRUE(box.picture().empty());

  box.set_picture(encoded(filled(10, 10, Qt::red), "BMP"));
  const Bytes page = Bytes::from_string("<html><body>404 Not Found</body></html>");
  box.set_picture(page);
  EXPECT_TRUE(box.pixmap().isNull());
  EXPECT_TRUE(box.image().isNull());
  EXPECT_EQ(box.picture(), page);

  const Bytes five = Bytes::from_string("GIF89");
  box.set_picture(five);
  EXPECT_TRUE(box.pixmap().isNull());
  EXPECT_EQ(box.picture(), five);
}

TEST(PictureBox, BrokenPicturesShowNothing) {
  PictureBox box;
  box.resize(112, 144);
  Bytes pcx = blue_pcx();
  box.set_picture(Bytes(pcx.data(), 130));  // the data stops inside the picture
  EXPECT_TRUE(box.pixmap().isNull());
  const Bytes bmp = encoded(filled(40, 40, Qt::red), "BMP");
  box.set_picture(Bytes(bmp.data(), 30));
  EXPECT_TRUE(box.pixmap().isNull());
}

}  // namespace
