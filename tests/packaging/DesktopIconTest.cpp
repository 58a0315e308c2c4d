#include <gtest/gtest.h>

#include <string>

#include <QImage>
#include <QString>

namespace {

QImage Load(const QString& path) {
  // Transparent pixels compare equal whatever colour they keep.
  return QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The installed icon of each size against the 32x32 window icon: at 32x32
// it is that icon, the larger ones are the same picture drawn anew, so the
// centre of each of its 32x32 units shows the window icon's pixel there.
// Where a size is no multiple of 32, lines keep whole pixels and come out a
// little thicker, so a few units along them differ.
class DesktopIcon : public testing::TestWithParam<int> {};

TEST_P(DesktopIcon, ShowsTheWindowIcon) {
  const int size = GetParam();
  const QImage window = Load(BREVIX_WINDOW_ICON);
  const QImage icon = Load(QString(BREVIX_ICON_THEME "/%1x%1/apps/" BREVIX_APP_ID ".png").arg(size));
  ASSERT_EQ(window.size(), QSize(32, 32));
  ASSERT_EQ(icon.size(), QSize(size, size));
  int differing = 0;
  for (int unit = 0; unit < 32 * 32; ++unit) {
    const int x = unit % 32, y = unit / 32;
    differing += icon.pixel((2 * x + 1) * size / 64, (2 * y + 1) * size / 64) != window.pixel(x, y);
  }
  EXPECT_LE(differing, size % 32 == 0 ? 0 : 32 * 32 / 20) << "units that differ from the window icon";
  EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "a transparent corner";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Sizes, DesktopIcon, testing::Values(32, 48, 64, 128, 256),
                         [](const auto& info) { return std::to_string(info.param) + "px"; });
// clang-format on

}  // namespace
