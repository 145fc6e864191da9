// CMessageDlg: the editor's confirmation dialog, used instead of a system
// message box for the questions and notices of the commands.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <array>

#include "app/GameDlg.h"

// Result codes and captions of one button set.
struct MessageButtonSet {
  int count;                          // captions used, 1 ... 5
  std::array<const char*, 5> captions;
  std::array<int, 5> results;
  int enterResult;
  int escResult;
};

// The four button sets, by number 0 ... 3.
const MessageButtonSet& GetMessageButtonSet(int set);

// Where the message dialog puts its parts, all in pixels: the window size
// (frames included) and client positions.
struct MessageDlgLayout {
  int width = 0;
  int height = 0;
  QRect text;
  bool boxShown = false;
  QRect box;
  std::array<QPoint, 5> buttons{};  // the first `count` of the set are used
};

// The message dialog's size rule: message extent wm x hm, check box label
// extent wc x hc, n buttons, for a window of the given style.
MessageDlgLayout ComputeMessageDlgLayout(QSize message, QSize label, int buttonCount,
                                         bool showBox, unsigned style);

// Extent of a text as a plain device context measures it: lines break only
// at "\n", the width is the longest line's, the height all lines'.
QSize MeasureDeviceText(const QString& text);

class CMessageDlg : public CGameDlg {
  Q_OBJECT

 public:
  // No parent: the application's main window becomes the owner.
  CMessageDlg(int buttonSet, const QString& text, bool showBox, QWidget* parent = nullptr);

  int ButtonSet() const { return m_buttonSet; }
  const QString& Text() const { return m_text; }

  // State of the do-not-show-again box when the dialog ended (0 or 1).
  int dontShowAgain = 0;

  // The last layout applied (for callers that place things relative to it).
  const MessageDlgLayout& Layout() const { return m_layout; }

 protected:
  const GameDlgLayoutEntry* GetLayoutTable() const override { return nullptr; }
  void ApplyLayout() override;
  void OnOK() override;
  void OnCancel() override;

 private:
  void EndWith(int result);

  int m_buttonSet;
  QString m_text;
  int m_showBox;
  MessageDlgLayout m_layout;
};
