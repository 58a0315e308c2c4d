#include <gtest/gtest.h>

#include <string>

#include <QImage>
#include <QSize>
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

// The larger icons are the same picture drawn anew: the centre of each of
// the design's 32x32 units shows the window icon's colour there. Where a
// size is no whole multiple of 32, lines keep whole pixels and come out a
// little thicker, so a few units along them differ.
class LargerDesktopIcon : public testing::TestWithParam<int> {};

TEST_P(LargerDesktopIcon, ShowsTheWindowIconsPicture) {
  const int size = GetParam();
  const QImage window = Load(BREVIX_WINDOW_ICON);
  const QString path = QString("%1/%2x%2/" BREVIX_APP_ID ".png").arg(BREVIX_DESKTOP_ICON_DIR).arg(size);
  const QImage desktop = Load(path.toUtf8().constData());
  ASSERT_FALSE(desktop.isNull()) << path.toStdString();
  ASSERT_EQ(desktop.size(), QSize(size, size));
  int differing = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const int px = (2 * x + 1) * size / 64;
      const int py = (2 * y + 1) * size / 64;
      differing += desktop.pixel(px, py) != window.pixel(x, y);
    }
  }
  EXPECT_LE(differing, size % 32 == 0 ? 0 : 32 * 32 / 20) << "units that differ from the window icon";
}

INSTANTIATE_TEST_SUITE_P(Sizes, LargerDesktopIcon, testing::Values(48, 64, 128, 256),
                         [](const auto& info) { return std::to_string(info.param) + "px"; });

}  // namespace
