#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QTest>

#include "app/ProgressWindow.h"
#include "app/S13KaoCgEditApp.h"

namespace {

TEST(ProgressWindow, OpensWithTextAndRangeAndStaysAtItsMaximum) {
  CS13KaoCgEditApp app;
  QWidget* w = CreateProgressWindow(nullptr, QStringLiteral("読み込み中"), 3);
  ASSERT_NE(w, nullptr);
  app.SetProgressWindow(w);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(ProgressWindowText(w)->text(), QStringLiteral("読み込み中"));
  QProgressBar* bar = ProgressWindowBar(w);
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 3);
  EXPECT_EQ(bar->value(), 0);
  for (int i = 1; i <= 5; ++i) {
    StepProgressWindow(app);
    EXPECT_EQ(bar->value(), std::min(i, 3));
  }
  CloseProgressWindow(app);
  EXPECT_EQ(app.ProgressWindow(), nullptr);
  EXPECT_EQ(FindProgressWindow(), nullptr);
}

TEST(ProgressWindow, ASecondOpenReturnsTheOpenWindowUnchanged) {
  CS13KaoCgEditApp app;
  QWidget* first = CreateProgressWindow(nullptr, QStringLiteral("一"), 43);
  app.SetProgressWindow(first);
  StepProgressWindow(app);
  QWidget* second = CreateProgressWindow(nullptr, QStringLiteral("二"), 5);
  EXPECT_EQ(second, first);
  EXPECT_EQ(ProgressWindowText(first)->text(), QStringLiteral("一"));
  EXPECT_EQ(ProgressWindowBar(first)->maximum(), 43);
  EXPECT_EQ(ProgressWindowBar(first)->value(), 1);
  CloseProgressWindow(app);

  // After the close a new one is made afresh.
  QWidget* third = CreateProgressWindow(nullptr, QStringLiteral("三"), 5);
  app.SetProgressWindow(third);
  EXPECT_EQ(ProgressWindowText(third)->text(), QStringLiteral("三"));
  EXPECT_EQ(ProgressWindowBar(third)->value(), 0);
  CloseProgressWindow(app);
}

TEST(ProgressWindow, StepAndCloseWithoutAWindowDoNothing) {
  CS13KaoCgEditApp app;
  StepProgressWindow(app);
  CloseProgressWindow(app);
  EXPECT_EQ(app.ProgressWindow(), nullptr);
}

TEST(ProgressWindow, IsCentredOverItsParent) {
  CS13KaoCgEditApp app;
  QWidget parent;
  parent.setGeometry(100, 100, 800, 600);
  parent.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
  QWidget* w = CreateProgressWindow(&parent, QStringLiteral("x"), 1);
  app.SetProgressWindow(w);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
  const QPoint c = w->frameGeometry().center();
  const QPoint pc = parent.frameGeometry().center();
  EXPECT_LE(std::abs(c.x() - pc.x()), 1);
  EXPECT_LE(std::abs(c.y() - pc.y()), 1);
  CloseProgressWindow(app);
}

}  // namespace
