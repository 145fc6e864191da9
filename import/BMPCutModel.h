// The rules of the range selection dialog (範囲選択), apart from its window:
// where the selection lies on the picture, how the scroll bars, the mouse
// and the size handle move it, and how 決定 turns the selected part of the
// picture into a face of the target size. The dialog feeds it client
// coordinates and bar messages, paints from its state and asks it for the
// face.
#pragma once

#include <cstdint>

#include "import/DIB.h"

struct CutPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const CutPoint&, const CutPoint&) = default;
};

// The scroll codes of the window system's scroll bar messages.
enum CutScrollCode : int {
  kScrollLineUp = 0,  // also line left
  kScrollLineDown = 1,
  kScrollPageUp = 2,
  kScrollPageDown = 3,
  kScrollThumbPosition = 4,
  kScrollThumbTrack = 5,
  kScrollTop = 6,
  kScrollBottom = 7,
  kScrollEnd = 8,
};

struct CutScrollBar {
  bool enabled = false;
  int limit = 0;  // the range is 0 … limit
  int position = 0;
};

// Where the dialog's own layout puts its controls, in client pixels.
struct CBMPCutLayout {
  CDIBRect ok;
  CDIBRect cancel;
  CDIBRect area;
  CDIBRect verticalBar;
  CDIBRect horizontalBar;
};

class CBMPCutModel {
 public:
  // The size handle may come no closer to the selection's top-left corner
  // than this, so a selection is at least 56 pixels before aspect correction.
  static constexpr int kMinHandleDistance = 57;
  static constexpr int kHandleSize = 10;
  static constexpr int kMinTrackWidth = 360;
  static constexpr int kMinTrackHeight = 300;

  // target is the face rectangle the import dialog passes: (0, 0, face
  // width, face height); the selection starts there, at scale 1:1.
  CBMPCutModel(const CDIBRect& target, int pictureWidth, int pictureHeight);

  static CBMPCutLayout ComputeLayout(const CDIBRect& client);
  // Places the picture area for a client rectangle and resets the bars.
  void ApplyLayout(const CDIBRect& client);
  void SetPictureArea(const CDIBRect& area) { area_ = area; }
  // A bar is enabled when the area is smaller than the picture that way;
  // both positions return to 0.
  void SetScrollRanges();
  // One scroll bar message; true when the dialog must repaint (every code
  // but the end of scrolling).
  bool Scroll(bool vertical, int code, int thumbPosition = 0);

  CutPoint ClientToPicture(int x, int y) const;
  bool InArea(int x, int y) const;
  bool InSelection(CutPoint p) const;
  bool InHandle(CutPoint p) const;

  // Left button down at a client point. Returns true when the dialog
  // should capture the pointer (onlyLeftButton: the key state is exactly the
  // left button).
  bool MouseDown(int x, int y, bool onlyLeftButton, bool captureRunning);
  // Pointer moved to a client point; true when the selection was changed.
  bool MouseMove(int x, int y);
  void MouseUp();
  // Double click at a client point: the selection's corner jumps there.
  bool DoubleClick(int x, int y);

  void MoveSelection(int a, int b);
  // Places the selection where a caller outside the dialog chose it (the
  // command-line tool's cut); the size handle returns to its corner, as
  // after MoveSelection. Nothing is clamped: Cut leaves black what lies
  // outside the picture.
  void SetSelection(const CDIBRect& selection);
  void ResizeSelection(int a, int b);

  // 決定: makes face a 24-bit bottom-up picture of the target size, black,
  // with the selected part of picture stretched onto it by nearest pixel;
  // the selection's corner pixels become the face's corner pixels, and
  // whatever of the selection lies outside the picture stays black. False
  // (face unchanged) when the face cannot be allocated.
  bool Cut(const CDIB& picture, CDIB& face) const;

  const CDIBRect& Selection() const { return selection_; }
  CutPoint Handle() const { return handle_; }
  CutPoint DragOffset() const { return dragOffset_; }
  bool Resizing() const { return resizing_; }
  bool Dragging() const { return dragging_; }
  const CDIBRect& PictureArea() const { return area_; }
  const CutScrollBar& HorizontalBar() const { return horizontal_; }
  const CutScrollBar& VerticalBar() const { return vertical_; }
  int TargetWidth() const { return targetWidth_; }
  int TargetHeight() const { return targetHeight_; }
  int PictureWidth() const { return pictureWidth_; }
  int PictureHeight() const { return pictureHeight_; }

 private:
  int pictureWidth_;
  int pictureHeight_;
  CDIBRect area_;
  CDIBRect selection_;
  int targetWidth_;
  int targetHeight_;
  CutPoint handle_;
  CutPoint dragOffset_{-1, -1};
  bool resizing_ = false;
  bool dragging_ = false;
  CutScrollBar horizontal_;
  CutScrollBar vertical_;
};
