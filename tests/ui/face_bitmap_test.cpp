#include <gtest/gtest.h>

#include <QStringList>

#include "FakeFaces.h"
#include "app/PlainMessage.h"
#include "import/DIB.h"
#include "ui/FaceBitmap.h"

namespace {

TEST(FaceBitmap, ConvertsEveryBitCountTopRowFirst) {
  // 3 x 2 pictures, bottom-up, with a known pixel at (2, 0) (top right).
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    CDIB dib;
    ASSERT_TRUE(dib.Create(3, -2, nullptr, bpp));
    std::fill(dib.GetBits(), dib.GetBits() + dib.GetBitsSize(), 0);
    if (RGBQUAD* t = dib.GetColorTable()) {
      t[1].rgbRed = 255;
      t[1].rgbGreen = 0;
      t[1].rgbBlue = 0;
    }
    uint8_t* p = dib.GetPixelAddress(2, 0);
    ASSERT_NE(p, nullptr);
    switch (bpp) {
      case 1: *p |= 0x80 >> 2; break;
      case 4: *p |= 0x01 << 4; break;  // pixel 2 is the high nibble of byte 1
      case 8: *p = 1; break;
      case 16: p[0] = 0x00; p[1] = 0x7C; break;  // red 31
      default: p[2] = 255; break;
    }
    const QImage img = kaocg_ui::DibToQImage(dib);
    ASSERT_EQ(img.size(), QSize(3, 2));
    EXPECT_EQ(img.pixel(2, 0), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(2, 1), qRgb(0, 0, 0));
  }
  EXPECT_TRUE(kaocg_ui::DibToQImage(CDIB()).isNull());
}

TEST(FaceBitmap, LoadGivesTheStoredSizeOrMessage400) {
  kaocg_test::FakeFaceReader reader({5});
  QStringList messages;
  kaocg_ui::SetPlainMessageHandler([&](const QString& t) { messages << t; });
  QPixmap p;
  EXPECT_TRUE(LoadFaceBitmap(1, p));
  EXPECT_EQ(p.size(), QSize(256, 256));
  EXPECT_EQ(kaocg_test::TopLeft(p), kaocg_test::ColourOf(1));
  EXPECT_TRUE(messages.isEmpty());
  EXPECT_FALSE(LoadFaceBitmap(5, p));
  EXPECT_TRUE(p.isNull());
  EXPECT_EQ(messages, QStringList{QStringLiteral("ファイルの読み込みに失敗しました。")});
  kaocg_ui::SetPlainMessageHandler({});
}

}  // namespace
