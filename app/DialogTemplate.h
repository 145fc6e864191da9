// Building widgets from the dialog templates of res/templates.h, with the
// pixel geometry a Windows dialog of the same template gets.
#pragma once

#include <QFont>
#include <QHash>
#include <QRect>
#include <QString>

#include "res/templates.h"

class QWidget;

namespace kaocg_ui {

// Window style bits whose frames the Win32 layouts take into account.
enum WindowStyleBits : unsigned {
  kStyleBorder = 0x00800000u,     // WS_BORDER
  kStyleDlgFrame = 0x00400000u,   // WS_DLGFRAME
  kStyleCaption = 0x00C00000u,    // WS_CAPTION = WS_BORDER | WS_DLGFRAME
  kStyleThickFrame = 0x00040000u, // WS_THICKFRAME
};

// The system metrics the pixel layouts were designed against (96 dpi,
// standard theme). Window sizes in the layouts include these frames; the
// widgets here get the client area that remains.
struct FrameMetrics {
  int cyCaption = 22;
  int cxFrame = 4, cyFrame = 4;
  int cxDlgFrame = 3, cyDlgFrame = 3;
  int cxBorder = 1, cyBorder = 1;
};
inline constexpr FrameMetrics kFrameMetrics{};

// Height above the client area (caption and top frames) for a window style.
int NonClientTop(unsigned style);
// Width and height a window of that style spends on caption and frames.
int NonClientWidth(unsigned style);
int NonClientHeight(unsigned style);

// Dialog units to pixels through the template font's base units.
QRect DluToPixels(const res::DlgTemplate& t, const res::DlgRect& r);
int DluToPixelsX(const res::DlgTemplate& t, int x);
int DluToPixelsY(const res::DlgTemplate& t, int y);

// The Japanese fonts the editor asks for by their Windows names, mapped to
// installed ones. Called once before the first widget is made.
void InstallFontSubstitutions();

// The template's own font.
QFont TemplateFont(const res::DlgTemplate& t);

// The two fonts the document shares with the windows: the list font
// ("ＭＳ ゴシック", 16 pixels) and the bold name font (18 pixels).
QFont MakeListFont();
QFont MakeNameFont();

// The font a plain device context measures with (the system font): half
// width characters 8 and full width characters 16 pixels wide, 16 high.
QFont SystemMeasureFont();

// Widgets made from a template, by control id (unnamed controls are not
// kept).
using ControlMap = QHash<int, QWidget*>;

// Creates every control of the template as a child of parent, at its pixel
// position, with its text and the template's font; returns them by id.
ControlMap CreateTemplateControls(QWidget* parent, const res::DlgTemplate& t);

// Moves window so that it is centred over `over` (its parent window when
// null, the screen when it has none), kept inside the screen's work area,
// without resizing it.
void CenterOverWindow(QWidget* window, QWidget* over);

// Text from the UTF-8 string table.
QString LoadQString(int id);

}  // namespace kaocg_ui
