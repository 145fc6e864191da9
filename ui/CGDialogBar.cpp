#include "ui/CGDialogBar.h"

#include <QLabel>

#include <algorithm>

#include "app/S13KaoCgEditApp.h"
#include "app/S13KaoCgEditDoc.h"
#include "facedata/Bushou.h"
#include "res/templates.h"
#include "ui/FaceBitmap.h"

namespace {
// Stored size of a large face.
constexpr int kLargeFaceSize = 256;
}  // namespace

CCGDialogBar::CCGDialogBar(QWidget* parent) : QWidget(parent) {
  const res::DlgTemplate* t = res::FindDialogTemplate(res::IDD_PREVIEW_BAR);
  setFont(kaocg_ui::TemplateFont(*t));
  m_controls = kaocg_ui::CreateTemplateControls(this, *t);
  if (QLabel* name = Control(res::IDC_BAR_NAME)) name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The captions keep their template place but are not cut short where the
  // installed font is wider than the one the template was made for.
  for (int id : {res::IDC_BAR_LARGE_CAPTION, res::IDC_BAR_MEDIUM_CAPTION, res::IDC_BAR_SMALL_CAPTION})
    if (QLabel* l = Control(id)) l->resize(std::max(l->width(), l->sizeHint().width()), l->height());
  // Docked on a side, the bar keeps its template width, widened where the
  // large face would not show whole, and takes the frame's height.
  const res::DlgControl* large = res::FindControl(*t, res::IDC_BAR_LARGE);
  const int largeRight = kaocg_ui::DluToPixelsX(*t, large->rect.x) + kLargeFaceSize + 1;
  setFixedWidth(std::max(kaocg_ui::DluToPixelsX(*t, t->cx), largeRight));
  setMinimumHeight(0);
}

CCGDialogBar::~CCGDialogBar() = default;

QLabel* CCGDialogBar::Control(int id) const {
  return qobject_cast<QLabel*>(m_controls.value(id, nullptr));
}

QString CCGDialogBar::NameText() const {
  QLabel* l = Control(res::IDC_BAR_NAME);
  return l ? l->text() : QString();
}

QFont CCGDialogBar::NameFont() const {
  QLabel* l = Control(res::IDC_BAR_NAME);
  return l ? l->font() : QFont();
}

void CCGDialogBar::SetPicture(int controlId, const QPixmap& p) {
  QLabel* l = Control(controlId);
  if (!l) return;
  if (p.isNull()) {
    l->clear();
    return;
  }
  // A bitmap static takes the size of its bitmap: the face is shown whole
  // and unscaled.
  l->setPixmap(p);
  l->resize(p.size());
}

void CCGDialogBar::Clear() {
  m_faces = {};
  if (QLabel* name = Control(res::IDC_BAR_NAME)) name->setText(QString());
  SetPicture(res::IDC_BAR_LARGE, QPixmap());
  SetPicture(res::IDC_BAR_MEDIUM, QPixmap());
  SetPicture(res::IDC_BAR_SMALL, QPixmap());
}

void CCGDialogBar::ShowFaces(const QString& name, const QFont& nameFont,
                             const std::array<QPixmap, 3>& largeMediumSmall) {
  m_faces = {largeMediumSmall[2], largeMediumSmall[1], largeMediumSmall[0]};
  if (QLabel* l = Control(res::IDC_BAR_NAME)) {
    l->setFont(nameFont);
    l->setText(name);
  }
  SetPicture(res::IDC_BAR_LARGE, m_faces[2]);
  SetPicture(res::IDC_BAR_MEDIUM, m_faces[1]);
  SetPicture(res::IDC_BAR_SMALL, m_faces[0]);
}

void CCGDialogBar::ShowOfficerFaces(bushou* officer) {
  m_faces = {};
  if (!officer) {
    Clear();
    return;
  }
  CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance();
  CS13KaoCgEditDoc* doc = app ? app->CurrentDocument() : nullptr;
  const QString name = QString::fromUtf16(officer->GetDisplayName());
  const int f = officer->GetFace();
  // Large first, then medium, then small; each failed read has its own
  // message and leaves its picture empty.
  std::array<QPixmap, 3> faces;
  for (int i = 0; i < 3; ++i) {
    const int size = 2 - i;
    LoadFaceBitmap(FaceToImageNumber(f, size), faces[i]);
  }
  ShowFaces(name, doc ? doc->NameFont() : kaocg_ui::MakeNameFont(), faces);
}
