#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <QTest>

#include "app/MainFrame.h"
#include "app/PlainMessage.h"
#include "app/S13KaoCgEditApp.h"
#include "app/startup/Environment.h"
#include "platform/Display.h"
#include "platform/WindowFinder.h"

namespace {

const std::string kTitle = "『セルヴァリン』 顔変更エディタ";

struct FakeDisplay : platform::IDisplay {
  platform::DisplayMetrics m{32, 1024, 768};
  platform::DisplayMetrics PrimaryScreen() override { return m; }
};

struct FakeFinder : platform::IWindowFinder {
  bool found = false;
  std::vector<std::string> asked;
  bool ActivateWindowByTitle(std::string_view title) override {
    asked.emplace_back(title);
    return found;
  }
};

struct Messages {
  QStringList texts;
  Messages() { kaocg_ui::SetPlainMessageHandler([this](const QString& t) { texts << t; }); }
  ~Messages() { kaocg_ui::SetPlainMessageHandler({}); }
};

TEST(Startup, ASecondEditorBringsTheFirstForwardOrSaysItIsInUse) {
  platform::MutexHandle running = kaocg::CreateGlobalMutex(kaocg::kEditorMutexName);
  ASSERT_TRUE(running);
  for (bool found : {true, false}) {
    Messages messages;
    FakeDisplay display;
    FakeFinder finder;
    finder.found = found;
    CS13KaoCgEditApp app;
    EXPECT_FALSE(app.InitInstance(display, finder));
    EXPECT_EQ(finder.asked, std::vector<std::string>{kTitle});
    EXPECT_EQ(messages.texts,
              found ? QStringList() : QStringList{QStringLiteral("このアプリケーションは別のユーザーが使っています")});
    EXPECT_EQ(app.Frame(), nullptr);
  }
}

TEST(Startup, TheGameOrASmallDisplayEndsItWithItsMessageAndNoWindow) {
  struct Case {
    bool gameRunning;
    platform::DisplayMetrics display;
    const char* message;
  };
  const char* kGame = "『セルヴァリン』、または『セルヴァリン ヴェルタ』を終了してから、起動させてください。";
  const char* kDisplay = "800×600ピクセル以上、HighColor表示可能なディスプレイが必要です。";
  const Case cases[] = {
      {true, {32, 1024, 768}, kGame},
      // The game check comes before the display check.
      {true, {8, 640, 480}, kGame},
      {false, {8, 1024, 768}, kDisplay},
      {false, {32, 799, 600}, kDisplay},
      {false, {16, 800, 599}, kDisplay},
  };
  for (const Case& c : cases) {
    platform::MutexHandle game;
    if (c.gameRunning) game = kaocg::CreateGlobalMutex(kaocg::kGameMutexName);
    Messages messages;
    FakeDisplay display;
    display.m = c.display;
    FakeFinder finder;
    CS13KaoCgEditApp app;
    EXPECT_FALSE(app.InitInstance(display, finder));
    EXPECT_EQ(messages.texts, QStringList{QString::fromUtf8(c.message)});
    EXPECT_TRUE(finder.asked.empty());
    EXPECT_EQ(app.Frame(), nullptr);
  }
}

TEST(Startup, TheRunningEditorAnswersBySocketOnlyForItsExactTitle) {
  CS13KaoCgEditApp app;
  CEditorWindowFinder finder(2000);
  // Nobody listening yet.
  EXPECT_FALSE(finder.ActivateWindowByTitle(kTitle));

  CMainFrame frame;
  frame.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
  ASSERT_TRUE(app.ListenForSecondStarts());
  EXPECT_TRUE(finder.ActivateWindowByTitle(kTitle));
  EXPECT_FALSE(finder.ActivateWindowByTitle(kTitle + "(変更あり)"));
  EXPECT_FALSE(finder.ActivateWindowByTitle("S13KaoCgEdit"));

  // With the modified mark in the title the exact title is no longer found.
  frame.setWindowTitle(ComposeMainTitle(true));
  EXPECT_FALSE(finder.ActivateWindowByTitle(kTitle));

  frame.setWindowTitle(ComposeMainTitle(false));
  frame.showMinimized();
  QTest::qWait(10);
  EXPECT_TRUE(finder.ActivateWindowByTitle(kTitle));
  EXPECT_FALSE(frame.isMinimized());
}

}  // namespace
