#include "ui/S13KaoCgEditView.h"

#include <QMouseEvent>
#include <QPalette>

#include "app/MainFrame.h"
#include "app/S13KaoCgEditApp.h"
#include "app/S13KaoCgEditDoc.h"
#include "facedata/Bushou.h"
#include "facedata/Installation.h"
#include "ui/CGDialogBar.h"
#include "ui/ThumbnailList.h"

namespace {

// Officers of these ID slots have fixed faces and are never listed; they
// are the last rows of the officer tables.
bool IsHiddenSlot(int slot) {
  return slot == kaocg::kFixedSlotFaceZero || slot == kaocg::kFixedSlotFace6026;
}

}  // namespace

void COfficerListModel::DeleteAllItems() {
  beginResetModel();
  m_items.clear();
  endResetModel();
}

void COfficerListModel::InsertItem(const Item& item) {
  const int row = static_cast<int>(m_items.size());
  beginInsertRows(QModelIndex(), row, row);
  m_items.push_back(item);
  endInsertRows();
}

void COfficerListModel::SetItem(int row, const QString& text, int image) {
  if (row < 0 || row >= m_items.size()) return;
  m_items[row].text = text;
  m_items[row].image = image;
  emit dataChanged(index(row), index(row));
}

const COfficerListModel::Item* COfficerListModel::GetItem(int row) const {
  if (row < 0 || row >= m_items.size()) return nullptr;
  return &m_items[row];
}

int COfficerListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

QColor COfficerListModel::TextColour(const bushou_manager* roster, int row) {
  const bushou* b = roster ? roster->GetOfficer(row) : nullptr;
  if (b && b->GetFace() != b->GetDefaultFace()) return QColor(255, 0, 0);
  return QColor(0, 0, 0);
}

QVariant COfficerListModel::data(const QModelIndex& index, int role) const {
  const Item* item = GetItem(index.row());
  if (!item) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
      return item->text;
    case Qt::DecorationRole: {
      // The list only borrows the thumbnails: a negative index shows none.
      if (item->image < 0) return QVariant();
      const QPixmap p = kaocg_ui::GetThumbnailList().GetImage(item->image);
      return p.isNull() ? QVariant() : QVariant(p);
    }
    case Qt::ForegroundRole:
      // Only items within the roster are coloured; the rest keep black.
      return TextColour(m_roster, index.row());
    case Qt::TextAlignmentRole:
      return int(Qt::AlignHCenter | Qt::AlignTop);
    default:
      return QVariant();
  }
}

CS13KaoCgEditView::CS13KaoCgEditView(QWidget* parent)
    : QListView(parent), m_model(new COfficerListModel(this)) {
  setViewMode(QListView::IconMode);
  setModel(m_model);
  setIconSize(QSize(kaocg_ui::kThumbnailSize, kaocg_ui::kThumbnailSize));
  setMovement(QListView::Static);
  setWordWrap(true);
  setContextMenuPolicy(Qt::NoContextMenu);
  if (CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance()) app->SetListView(this);
}

CS13KaoCgEditView::~CS13KaoCgEditView() {
  CS13KaoCgEditApp* app = CS13KaoCgEditApp::Instance();
  if (app && app->ListView() == this) app->SetListView(nullptr);
}

void CS13KaoCgEditView::OnInitialUpdate() {
  if (m_document) {
    setFont(m_document->ListFont());
    for (QWidget* w : findChildren<QWidget*>()) w->setFont(m_document->ListFont());
  }
  viewport()->update();
  update();
}

void CS13KaoCgEditView::FillOfficerList() {
  bushou_manager* roster = m_document ? m_document->Roster() : nullptr;
  if (!roster) return;
  m_model->SetRoster(roster);
  m_model->DeleteAllItems();

  // Auto-arrange, selection always shown, single selection, and the icon
  // spacing of 126 x 105 pixels.
  setResizeMode(QListView::Adjust);
  setSelectionMode(QAbstractItemView::SingleSelection);
  QPalette pal = palette();
  pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
               pal.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(pal);
  setGridSize(QSize(126, 105));

  const bool expansion = kaocg::ExpansionInstalled();
  auto small = [](int face) { return FaceToImageNumber(face, kaocg::kFaceSizeSmall); };
  for (int i = 0; i < roster->GetCount(); ++i) {
    bushou* b = roster->GetOfficer(i);
    if (!b || IsHiddenSlot(b->GetSlot())) continue;
    COfficerListModel::Item item;
    item.text = QString::fromUtf16(b->GetDisplayName());
    item.image = kaocg_ui::ThumbnailIndexOfFace(b->GetFace(), expansion, small);
    item.officer = b;
    m_model->InsertItem(item);
  }
  SelectRow(0);

  if (m_frame) m_frame->RefreshTitleAndMenu();
  const COfficerListModel::Item* first = m_model->GetItem(0);
  if (first && first->officer && first->officer->IsValid()) ShowInPreview(first->officer);
}

bushou* CS13KaoCgEditView::SelectedOfficer() const {
  const COfficerListModel::Item* item = m_model->GetItem(SelectedRow());
  return item ? item->officer : nullptr;
}

int CS13KaoCgEditView::SelectedRow() const {
  const QModelIndexList rows = selectionModel()->selectedIndexes();
  int first = -1;
  for (const QModelIndex& i : rows)
    if (first < 0 || i.row() < first) first = i.row();
  return first;
}

void CS13KaoCgEditView::SelectRow(int row) {
  const QModelIndex i = m_model->index(row);
  if (!i.isValid()) return;
  selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
  scrollTo(i);
}

void CS13KaoCgEditView::ShowInPreview(bushou* officer) {
  if (m_frame && m_frame->PreviewBar()) m_frame->PreviewBar()->ShowOfficerFaces(officer);
}

void CS13KaoCgEditView::mousePressEvent(QMouseEvent* e) {
  // A right click neither selects nor opens anything.
  if (e->button() == Qt::RightButton) {
    e->accept();
    return;
  }
  if (e->button() == Qt::LeftButton) {
    const QModelIndex i = indexAt(e->position().toPoint());
    bushou_manager* roster = m_document ? m_document->Roster() : nullptr;
    const COfficerListModel::Item* item = i.isValid() ? m_model->GetItem(i.row()) : nullptr;
    if (item && roster && i.row() < roster->GetCount() && item->officer && item->officer->IsValid())
      ShowInPreview(item->officer);
  }
  QListView::mousePressEvent(e);
}

void CS13KaoCgEditView::OnCommand(int) {
  // Import, change, save, reset and find arrive with their dialogs.
}
