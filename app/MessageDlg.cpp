#include "app/MessageDlg.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include <algorithm>

#include "app/S13KaoCgEditApp.h"

namespace {

constexpr MessageButtonSet kButtonSets[] = {
    {1, {"確認", nullptr, nullptr, nullptr, nullptr}, {0, 0, 0, 0, 0}, 0, 0},
    {2, {"はい", "いいえ", nullptr, nullptr, nullptr}, {1, 2, 0, 0, 0}, 1, 2},
    {3, {"別名保存", "上書き保存", "中止", nullptr, nullptr}, {3, 4, 5, 0, 0}, 3, 5},
    {5, {"別名", "全て別名", "上書", "全て上書", "中止"}, {6, 7, 8, 9, 10}, 6, 10},
};
static_assert(std::size(kButtonSets) == 4);

constexpr int kButtonIds[5] = {res::IDC_MSG_BTN1, res::IDC_MSG_BTN2, res::IDC_MSG_BTN3,
                               res::IDC_MSG_BTN4, res::IDC_MSG_BTN5};

QWidget* DefaultOwner(QWidget* parent) {
  if (parent) return parent;
  CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance();
  return app ? app->MainWindow() : nullptr;
}

}  // namespace

const MessageButtonSet& GetMessageButtonSet(int set) {
  // An unknown set falls back to the plain notice, whose every exit is 0.
  if (set < 0 || set >= static_cast<int>(std::size(kButtonSets))) return kButtonSets[0];
  return kButtonSets[set];
}

MessageDlgLayout ComputeMessageDlgLayout(QSize message, QSize label, int n, bool showBox,
                                         unsigned style) {
  using namespace kaocg_ui;
  const FrameMetrics& m = kFrameMetrics;
  const int wm = message.width(), hm = message.height();
  const int wc = label.width(), hc = label.height();
  MessageDlgLayout L;
  L.width = std::max({wm + 40, 104 * n, wc + 8}) + 32;
  int h = hm + 56;
  if (style & kStyleCaption) h += m.cyCaption;
  if (style & kStyleThickFrame) h += 2 * m.cyFrame;
  if (style & kStyleDlgFrame) h += 2 * m.cyDlgFrame;
  if (style & kStyleBorder) h += 2 * m.cyBorder;
  int rowX = (L.width - 104 * n) / 2;
  int rowY = h - 40 - NonClientTop(style);
  L.text = QRect((L.width - (wm + 32)) / 2, 8, wm + 32, hm);
  L.boxShown = showBox;
  if (showBox) {
    rowY += 8;
    L.box = QRect((L.width - (wc + 8)) / 2, rowY, wc + 8, hc);
    rowY += hc + 8;
    h += hc + 16;
  }
  for (int i = 0; i < n && i < 5; ++i) L.buttons[i] = QPoint(rowX + 104 * i, rowY);
  L.height = h;
  return L;
}

QSize MeasureDeviceText(const QString& text) {
  const QFontMetrics fm(kaocg_ui::SystemMeasureFont());
  const QStringList lines = text.split(QLatin1Char('\n'));
  int w = 0;
  for (const QString& line : lines) w = std::max(w, fm.horizontalAdvance(line));
  return QSize(w, static_cast<int>(lines.size()) * fm.height());
}

CMessageDlg::CMessageDlg(int buttonSet, const QString& text, bool showBox, QWidget* parent)
    : CGameDlg(DefaultOwner(parent), kaocg_ui::kStyleCaption),
      m_buttonSet(buttonSet),
      m_text(text),
      m_showBox(showBox ? 1 : 0) {
  const res::DlgTemplate* t = res::FindDialogTemplate(res::IDD_MESSAGE);
  setWindowTitle(QString::fromUtf8(t->caption));
  setFont(kaocg_ui::TemplateFont(*t));
  AddControls(kaocg_ui::CreateTemplateControls(this, *t));
  ResizeWindow(kaocg_ui::DluToPixelsX(*t, t->cx) + kaocg_ui::NonClientWidth(Style()),
               kaocg_ui::DluToPixelsY(*t, t->cy) + kaocg_ui::NonClientHeight(Style()));
  static_cast<QLabel*>(GetDlgItem(res::IDC_MSG_TEXT))->setWordWrap(false);
  static_cast<QLabel*>(GetDlgItem(res::IDC_MSG_TEXT))->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  const MessageButtonSet& set = GetMessageButtonSet(m_buttonSet);
  for (int i = 0; i < 5; ++i) {
    auto* b = static_cast<QPushButton*>(GetDlgItem(kButtonIds[i]));
    const int result = set.results[i];
    const bool used = i < set.count;
    connect(b, &QPushButton::clicked, this, [this, result, used] {
      if (used) EndWith(result);
    });
  }
}

void CMessageDlg::ApplyLayout() {
  auto* textCtl = static_cast<QLabel*>(GetDlgItem(res::IDC_MSG_TEXT));
  if (!textCtl) return;
  auto* box = static_cast<QCheckBox*>(GetDlgItem(res::IDC_MSG_DONT_SHOW));
  const QSize message = MeasureDeviceText(m_text);
  const QSize label = MeasureDeviceText(box ? box->text() : QString());
  const MessageButtonSet& set = GetMessageButtonSet(m_buttonSet);
  m_layout = ComputeMessageDlgLayout(message, label, set.count, m_showBox != 0, Style());

  textCtl->setGeometry(m_layout.text);
  textCtl->setText(m_text);
  if (box) {
    if (m_layout.boxShown) {
      box->setGeometry(m_layout.box);
      box->show();
    } else {
      box->hide();
    }
  }
  for (int i = 0; i < 5; ++i) {
    auto* b = static_cast<QPushButton*>(GetDlgItem(kButtonIds[i]));
    if (!b) continue;
    if (i < set.count) {
      b->setText(QString::fromUtf8(set.captions[i]));
      b->setGeometry(QRect(m_layout.buttons[i], QSize(96, 32)));
      b->setEnabled(true);
    } else {
      b->setEnabled(false);
    }
  }
  MoveWindow(0, 0, m_layout.width, m_layout.height);
  update();
}

void CMessageDlg::EndWith(int result) {
  auto* box = static_cast<QCheckBox*>(GetDlgItem(res::IDC_MSG_DONT_SHOW));
  dontShowAgain = (box && box->isChecked()) ? 1 : 0;
  if (IsModal())
    done(result);
  else
    close();
}

void CMessageDlg::OnOK() { EndWith(GetMessageButtonSet(m_buttonSet).enterResult); }
void CMessageDlg::OnCancel() { EndWith(GetMessageButtonSet(m_buttonSet).escResult); }
