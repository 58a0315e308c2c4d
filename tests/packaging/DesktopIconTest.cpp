#include <gtest/gtest.h>

#include <QImage>
#include <QString>

namespace {

QImage Load(const char* path) {
  QImage image(QString::fromUtf8(path));
  // Transparent pixels compare equal whatever colour they keep.
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

TEST(DesktopIcon, IsTheWindowIconPixelForPixel) {
  const QImage window = Load(BREVIX_WINDOW_ICON);
  const QImage desktop = Load(BREVIX_DESKTOP_ICON);
  ASSERT_FALSE(window.isNull()) << BREVIX_WINDOW_ICON;
  ASSERT_FALSE(desktop.isNull()) << BREVIX_DESKTOP_ICON;
  ASSERT_EQ(desktop.size(), window.size());
  for (int y = 0; y < window.height(); ++y) {
    for (int x = 0; x < window.width(); ++x) {
      ASSERT_EQ(desktop.pixel(x, y), window.pixel(x, y)) << "at " << x << "," << y;
    }
  }
}

TEST(DesktopIcon, Is32By32WithTransparentCorners) {
  const QImage desktop = Load(BREVIX_DESKTOP_ICON);
  EXPECT_EQ(desktop.width(), 32);
  EXPECT_EQ(desktop.height(), 32);
  EXPECT_TRUE(desktop.hasAlphaChannel());
  EXPECT_EQ(qAlpha(desktop.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(desktop.pixel(16, 16)), 255);
}

}  // namespace
