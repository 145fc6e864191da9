// CS13KaoCgEditView: the editor's single view, every officer of the roster
// as a 60 x 60 thumbnail with the name underneath, in roster order. A left
// click shows the officer in the preview bar; the menu commands of the face
// data land here too.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QVector>

class bushou;
class bushou_manager;
class CS13KaoCgEditDoc;
class CMainFrame;

// The list's items: text and thumbnail index are what was put in the item
// (a fill or a rewrite), the colour is taken from the officer when drawn.
class COfficerListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  struct Item {
    QString text;
    int image = -1;
    bushou* officer = nullptr;
  };

  explicit COfficerListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

  void SetRoster(const bushou_manager* roster) { m_roster = roster; }
  void DeleteAllItems();
  void InsertItem(const Item& item);
  // Rewrites one item's text and picture.
  void SetItem(int row, const QString& text, int image);
  const Item* GetItem(int row) const;
  int GetItemCount() const { return static_cast<int>(m_items.size()); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // Red for an officer whose face is not its shipped one, black otherwise.
  static QColor TextColour(const bushou_manager* roster, int row);

 private:
  const bushou_manager* m_roster = nullptr;
  QVector<Item> m_items;
};

class CS13KaoCgEditView : public QListView {
  Q_OBJECT

 public:
  explicit CS13KaoCgEditView(QWidget* parent = nullptr);
  ~CS13KaoCgEditView() override;

  void SetDocument(CS13KaoCgEditDoc* doc) { m_document = doc; }
  CS13KaoCgEditDoc* GetDocument() const { return m_document; }
  void SetFrame(CMainFrame* frame) { m_frame = frame; }

  // The document's list font for the view and its children, then a redraw.
  void OnInitialUpdate();

  // Rebuilds every item from the roster, selects and previews item 0.
  void FillOfficerList();

  COfficerListModel* Items() const { return m_model; }
  // The officer of the first selected item, or null.
  bushou* SelectedOfficer() const;
  int SelectedRow() const;
  void SelectRow(int row);

  // The menu commands of the face data (the frame forwards them).
  void OnCommand(int id);

 protected:
  void mousePressEvent(QMouseEvent* e) override;

 private:
  void ShowInPreview(bushou* officer);

  CS13KaoCgEditDoc* m_document = nullptr;
  CMainFrame* m_frame = nullptr;
  COfficerListModel* m_model;
};
