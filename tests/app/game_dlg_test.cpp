#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>

#include "app/DialogTemplate.h"
#include "app/GameDlg.h"

namespace {

// A dialog with a pixel layout of two controls, one of which the layout
// table names but the dialog does not have.
class TableDlg : public CGameDlg {
 public:
  TableDlg() : CGameDlg(nullptr, kaocg_ui::kStyleCaption) {
    SetLayoutSize(530, 400);
    kaocg_ui::ControlMap m;
    m.insert(10, new QLabel(QStringLiteral("a"), this));
    AddControls(m);
  }
  using CGameDlg::Create;

 protected:
  const GameDlgLayoutEntry* GetLayoutTable() const override {
    static const GameDlgLayoutEntry table[] = {
        {10, QRect(200, 150, 50, 20)},
        {11, QRect(0, 0, 10, 10)},
        {-1, QRect()},
    };
    return table;
  }
};

TEST(GameDlg, TableLayoutShiftsEveryRectAndSizesTheWindow) {
  TableDlg d;
  d.Create();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
  // -112, -84, then the caption and the frames above the client area.
  const int top = kaocg_ui::NonClientTop(kaocg_ui::kStyleCaption);
  EXPECT_EQ(d.GetDlgItem(10)->geometry(), QRect(200 - 112, 150 - 84 - top, 50, 20));
  EXPECT_EQ(d.size(), QSize(530 - kaocg_ui::NonClientWidth(kaocg_ui::kStyleCaption),
                            400 - kaocg_ui::NonClientHeight(kaocg_ui::kStyleCaption)));
  d.close();
}

TEST(GameDlg, DragsByTheClientAreaWithTheLeftButtonOnly) {
  TableDlg d;
  d.Create();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
  d.move(100, 100);
  QTest::qWait(10);
  const QPoint start = d.pos();

  // A press with a modifier key is no drag.
  QTest::mousePress(&d, Qt::LeftButton, Qt::ShiftModifier, QPoint(300, 200));
  EXPECT_FALSE(d.IsDragging());
  QTest::mouseRelease(&d, Qt::LeftButton, Qt::ShiftModifier, QPoint(300, 200));

  QTest::mousePress(&d, Qt::LeftButton, {}, QPoint(300, 200));
  EXPECT_TRUE(d.IsDragging());
  QTest::mouseMove(&d, QPoint(330, 180));
  QTest::qWait(10);
  EXPECT_EQ(d.pos(), start + QPoint(30, -20));
  QTest::mouseRelease(&d, Qt::LeftButton, {}, QPoint(300, 200));
  EXPECT_FALSE(d.IsDragging());

  // Cancel mode ends a drag as a release does.
  QTest::mousePress(&d, Qt::LeftButton, {}, QPoint(300, 200));
  d.CancelMode();
  EXPECT_FALSE(d.IsDragging());
  d.close();
}

}  // namespace
