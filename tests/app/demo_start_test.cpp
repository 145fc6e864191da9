// The editor's start on a demo installation made by kaocgtool: the first
// run's copies, the second run that copies nothing, the list after an ID
// archive that changes faces, and a missing shipped archive.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/MainFrame.h"
#include "app/PlainMessage.h"
#include "app/ProgressWindow.h"
#include "app/S13KaoCgEditApp.h"
#include "app/S13KaoCgEditDoc.h"
#include "facedata/Bushou.h"
#include "facedata/Installation.h"
#include "platform/Display.h"
#include "platform/PersonalFolder.h"
#include "platform/Registry.h"
#include "platform/Services.h"
#include "platform/WindowFinder.h"
#include "ui/CGDialogBar.h"
#include "ui/S13KaoCgEditView.h"
#include "ui/ThumbnailList.h"

namespace {

struct OkDisplay : platform::IDisplay {
  platform::DisplayMetrics PrimaryScreen() override { return {32, 1024, 768}; }
};
struct NoWindow : platform::IWindowFinder {
  bool ActivateWindowByTitle(std::string_view) override { return false; }
};

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

QByteArray Digest(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(f.read(1 << 20), QCryptographicHash::Sha1);
}

uint32_t Le32(const QByteArray& b, int at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
         uint32_t(uint8_t(b[at + 3])) << 24;
}

class DemoStart : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    root = dir.path().toStdString();
    const std::string cmd = std::string(KAOCG_BINARY_DIR) + "/tools/kaocgtool demo-install '" + root +
                            "' --edition expansion --shipped-faces 40 --quiet >/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    home = std::make_unique<ScopedEnv>("HOME", root + "/home");
    config = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", root + "/home/.config");
    registry = std::make_unique<platform::FileRegistry>(root + "/home/.config/ZEVA/registry.reg");
    services = std::make_unique<platform::ScopedServices>(
        platform::Services{registry.get(), nullptr, &documents, nullptr, nullptr, nullptr});
    kaocg_ui::SetPlainMessageHandler([this](const QString& t) { messages << t; });
    grp = QString::fromStdString(root) + QStringLiteral("/home/Documents/ZEVA/Velmora13/GRP/");
  }
  void TearDown() override {
    kaocg_ui::SetPlainMessageHandler({});
    kaocg_ui::GetThumbnailList().Destroy();
  }

  QTemporaryDir dir;
  std::string root;
  QString grp;
  std::unique_ptr<ScopedEnv> home, config;
  std::unique_ptr<platform::FileRegistry> registry;
  platform::XdgPersonalFolder documents;
  std::unique_ptr<platform::ScopedServices> services;
  QStringList messages;
  OkDisplay display;
  NoWindow windows;
};

TEST_F(DemoStart, FirstRunCopiesAndPreparesSecondRunTouchesNothing) {
  {
    CS13KaoCgEditApp app;
    ASSERT_TRUE(app.InitInstance(display, windows));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(LastClosedProgressPosition(), 43);
    EXPECT_EQ(FindProgressWindow(), nullptr);
    for (const char* name : {"EDIT_KAO_L.S13", "EDIT_KAO_M.S13", "EDIT_KAO_S.S13"})
      EXPECT_TRUE(QFileInfo::exists(grp + QLatin1String(name))) << name;

    // Every info record of the large copy says 240 x 240; the copy is
    // read-only.
    QFile large(grp + QStringLiteral("EDIT_KAO_L.S13"));
    ASSERT_TRUE(large.open(QIODevice::ReadOnly));
    const QByteArray header = large.read(32);
    const uint32_t count = Le32(header, 4), info = Le32(header, 16);
    ASSERT_GT(count, 0u);
    ASSERT_TRUE(large.seek(info));
    const QByteArray records = large.read(qint64(12) * count);
    ASSERT_EQ(records.size(), qint64(12) * count);
    for (uint32_t i = 0; i < count; ++i) {
      const int at = int(12 * i);
      ASSERT_EQ(uint8_t(records[at + 8]) | uint8_t(records[at + 9]) << 8, 240) << i;
      ASSERT_EQ(uint8_t(records[at + 10]) | uint8_t(records[at + 11]) << 8, 240) << i;
    }
    EXPECT_FALSE(QFileInfo(large).permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther));

    // The window: every officer listed, the plain title, save and reset grey.
    CMainFrame* frame = app.Frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(app.ListView()->model()->rowCount(), app.CurrentDocument()->Roster()->GetCount() - 2);
    EXPECT_EQ(kaocg_ui::GetThumbnailList().GetImageCount(), 2699);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("『セルヴァリン』 顔変更エディタ"));
    EXPECT_FALSE(frame->CommandAction(57603)->isEnabled());
    EXPECT_FALSE(frame->CommandAction(32784)->isEnabled());
    EXPECT_EQ(frame->PreviewBar()->Face(2).size(), QSize(256, 256));
    EXPECT_EQ(frame->PreviewBar()->Face(0).size(), QSize(64, 64));
    EXPECT_TRUE(frame->close());
  }
  const QByteArray before = Digest(grp + QStringLiteral("EDIT_KAO_L.S13"));
  const QDateTime mtime = QFileInfo(grp + QStringLiteral("EDIT_KAO_L.S13")).lastModified();
  {
    CS13KaoCgEditApp app;
    ASSERT_TRUE(app.InitInstance(display, windows));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(LastClosedProgressPosition(), 43);
    app.Frame()->close();
  }
  EXPECT_EQ(Digest(grp + QStringLiteral("EDIT_KAO_L.S13")), before);
  EXPECT_EQ(QFileInfo(grp + QStringLiteral("EDIT_KAO_L.S13")).lastModified(), mtime);
}

TEST_F(DemoStart, TheListShowsWhatTheIdArchiveChanged) {
  const std::string user = root + "/home/Documents/ZEVA/Velmora13/";
  QDir().mkpath(QString::fromStdString(user));
  // Shipped faces 40 are drawn, so officer 1 gets a face that has a picture.
  {
    kaocg::SetCurrentInstallation({kaocg::kEditionExpansion, root + "/game/grp/", user});
    bushou_manager r;
    r.Init();
    r.GetOfficer(1)->SetFace(3);
    ASSERT_TRUE(r.SaveFaces(user));
  }
  CS13KaoCgEditApp app;
  ASSERT_TRUE(app.InitInstance(display, windows));
  COfficerListModel* items = app.ListView()->Items();
  EXPECT_EQ(items->data(items->index(1), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
  EXPECT_EQ(items->data(items->index(0), Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 0));
  EXPECT_EQ(items->GetItem(1)->image,
            kaocg_ui::ThumbnailIndexOfFace(3, true, [](int f) { return FaceToImageNumber(f, 0); }));
  EXPECT_FALSE(items->GetItem(1)->text.endsWith(QStringLiteral("(変更)")));
  // Saved but not the shipped face: reset is possible, save is not.
  EXPECT_FALSE(app.Frame()->CommandAction(57603)->isEnabled());
  EXPECT_TRUE(app.Frame()->CommandAction(32784)->isEnabled());

  // A click on officer 1 previews it.
  CS13KaoCgEditView* view = app.ListView();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(items->index(1)).center());
  EXPECT_EQ(app.Frame()->PreviewBar()->NameText(), items->GetItem(1)->text);
  EXPECT_TRUE(messages.isEmpty());
  app.Frame()->close();
}

TEST_F(DemoStart, AMissingShippedArchiveEndsTheLoadWithMessage429) {
  const QString shippedM = QString::fromStdString(root) + QStringLiteral("/game/grp/EDIT_KAO_M.S13");
  ASSERT_TRUE(QFile::remove(shippedM));
  CS13KaoCgEditApp app;
  EXPECT_FALSE(app.InitInstance(display, windows));
  EXPECT_EQ(messages, QStringList{QStringLiteral(
                          "『セルヴァリン』、または『セルヴァリン ヴェルタ』の顔データが見つかりません。")});
  // The large copy was made before the medium one failed.
  EXPECT_TRUE(QFileInfo::exists(grp + QStringLiteral("EDIT_KAO_L.S13")));
  EXPECT_FALSE(QFileInfo::exists(grp + QStringLiteral("EDIT_KAO_M.S13")));
  // The progress window stays open until the program ends.
  EXPECT_NE(FindProgressWindow(), nullptr);
}

}  // namespace
