#include "app/DialogTemplate.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QWidget>

#include <cstring>
#include <iterator>

#include "res/strings.h"

namespace kaocg_ui {
namespace {

struct BaseUnits {
  const char* font;
  int pointSize;
  int cx, cy;  // average character width and height in pixels at 96 dpi
};

// The two template fonts of the editor's dialogs.
constexpr BaseUnits kBaseUnits[] = {
    {"MS Shell Dlg", 8, 6, 13},
    {"MS UI Gothic", 9, 6, 12},
};

const BaseUnits& UnitsOf(const res::DlgTemplate& t) {
  for (const BaseUnits& u : kBaseUnits)
    if (std::strcmp(u.font, t.font) == 0 && u.pointSize == t.pointSize) return u;
  return kBaseUnits[0];
}

// Win32 MulDiv: a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
  long long p = static_cast<long long>(a) * b;
  long long q = (p >= 0 ? p + c / 2 : p - c / 2) / c;
  return static_cast<int>(q);
}

struct Substitution {
  const char* windowsName;
  const char* installed;
};

constexpr Substitution kSubstitutions[] = {
    {"ＭＳ ゴシック", "Noto Sans Mono CJK JP"},
    {"MS UI Gothic", "Noto Sans CJK JP"},
    {"MS Shell Dlg", "Noto Sans CJK JP"},
    {"System", "Noto Sans Mono CJK JP"},
};

}  // namespace

int NonClientTop(unsigned style) {
  const FrameMetrics& m = kFrameMetrics;
  int y = 0;
  if (style & kStyleCaption) y += m.cyCaption;
  if (style & kStyleThickFrame) y += m.cyFrame;
  if (style & kStyleDlgFrame) y += m.cyDlgFrame;
  if (style & kStyleBorder) y += m.cyBorder;
  return y;
}

int NonClientWidth(unsigned style) {
  const FrameMetrics& m = kFrameMetrics;
  int x = 0;
  if (style & kStyleThickFrame) x += 2 * m.cxFrame;
  if (style & kStyleDlgFrame) x += 2 * m.cxDlgFrame;
  if (style & kStyleBorder) x += 2 * m.cxBorder;
  return x;
}

int NonClientHeight(unsigned style) {
  const FrameMetrics& m = kFrameMetrics;
  int y = (style & kStyleCaption) ? m.cyCaption : 0;
  if (style & kStyleThickFrame) y += 2 * m.cyFrame;
  if (style & kStyleDlgFrame) y += 2 * m.cyDlgFrame;
  if (style & kStyleBorder) y += 2 * m.cyBorder;
  return y;
}

int DluToPixelsX(const res::DlgTemplate& t, int x) { return MulDiv(x, UnitsOf(t).cx, 4); }
int DluToPixelsY(const res::DlgTemplate& t, int y) { return MulDiv(y, UnitsOf(t).cy, 8); }

QRect DluToPixels(const res::DlgTemplate& t, const res::DlgRect& r) {
  return QRect(DluToPixelsX(t, r.x), DluToPixelsY(t, r.y), DluToPixelsX(t, r.cx),
               DluToPixelsY(t, r.cy));
}

void InstallFontSubstitutions() {
  for (const Substitution& s : kSubstitutions)
    QFont::insertSubstitution(QString::fromUtf8(s.windowsName), QString::fromUtf8(s.installed));
}

QFont TemplateFont(const res::DlgTemplate& t) {
  QFont f(QString::fromUtf8(t.font));
  // Template point sizes are Windows points at 96 dpi.
  f.setPixelSize(MulDiv(t.pointSize, 96, 72));
  return f;
}

QFont MakeListFont() {
  QFont f(QStringLiteral("ＭＳ ゴシック"));
  f.setPixelSize(16);
  f.setWeight(QFont::Normal);
  return f;
}

QFont MakeNameFont() {
  QFont f(QStringLiteral("ＭＳ ゴシック"));
  f.setPixelSize(18);
  f.setWeight(QFont::Bold);
  return f;
}

QFont SystemMeasureFont() {
  QFont f(QStringLiteral("System"));
  f.setPixelSize(16);
  return f;
}

ControlMap CreateTemplateControls(QWidget* parent, const res::DlgTemplate& t) {
  ControlMap map;
  const QFont font = TemplateFont(t);
  for (const res::DlgControl& c : t.controls) {
    const QString text = QString::fromUtf8(c.text);
    QWidget* w = nullptr;
    switch (c.kind) {
      case res::ControlKind::Text: {
        auto* l = new QLabel(text, parent);
        // Centred on its line: the installed fonts have taller line boxes
        // than the template's, and the glyphs stay inside the control.
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        l->setTextFormat(Qt::PlainText);
        w = l;
        break;
      }
      case res::ControlKind::CenteredText: {
        auto* l = new QLabel(text, parent);
        l->setAlignment(Qt::AlignCenter);
        l->setTextFormat(Qt::PlainText);
        w = l;
        break;
      }
      case res::ControlKind::Icon: {
        auto* l = new QLabel(parent);
        const QRect r = DluToPixels(t, c.rect);
        l->setPixmap(QApplication::style()
                         ->standardIcon(QStyle::SP_MessageBoxInformation)
                         .pixmap(r.size()));
        w = l;
        break;
      }
      case res::ControlKind::Bitmap: {
        auto* l = new QLabel(parent);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        w = l;
        break;
      }
      case res::ControlKind::PushButton:
      case res::ControlKind::DefPushButton: {
        auto* b = new QPushButton(text, parent);
        b->setAutoDefault(false);
        b->setDefault(c.kind == res::ControlKind::DefPushButton);
        w = b;
        break;
      }
      case res::ControlKind::CheckBox:
        w = new QCheckBox(text, parent);
        break;
      case res::ControlKind::ProgressBar: {
        auto* p = new QProgressBar(parent);
        p->setTextVisible(false);
        w = p;
        break;
      }
    }
    w->setFont(font);
    w->setGeometry(DluToPixels(t, c.rect));
    if (c.id != res::IDC_STATIC) map.insert(c.id, w);
  }
  return map;
}

void CenterOverWindow(QWidget* window, QWidget* over) {
  if (!over) over = window->parentWidget() ? window->parentWidget()->window() : nullptr;
  QScreen* screen = over ? over->screen() : window->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  QRect work = screen ? screen->availableGeometry() : QRect();
  if (work.isEmpty() && screen) work = screen->geometry();
  const QRect target = over ? over->frameGeometry() : work;
  const QSize size = window->frameGeometry().size();
  int x = target.left() + (target.width() - size.width()) / 2;
  int y = target.top() + (target.height() - size.height()) / 2;
  if (!work.isEmpty()) {
    if (x < work.left())
      x = work.left();
    else if (x + size.width() > work.left() + work.width())
      x = work.left() + work.width() - size.width();
    if (y < work.top())
      y = work.top();
    else if (y + size.height() > work.top() + work.height())
      y = work.top() + work.height() - size.height();
  }
  window->move(x, y);
}

QString LoadQString(int id) { return QString::fromUtf8(res::LoadString(id)); }

}  // namespace kaocg_ui
