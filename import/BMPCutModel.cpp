#include "import/BMPCutModel.h"

#include <algorithm>
#include <cstdint>

namespace {

bool Contains(const CDIBRect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

struct Bgr {
  std::uint8_t b = 0, g = 0, r = 0;
};

// The colour of a pixel inside the picture, whatever its bit count.
Bgr ColourAt(const CDIB& picture, int x, int y) {
  const std::uint8_t* p = picture.GetPixelAddress(x, y);
  if (!p) return {};
  auto indexed = [&](std::uint32_t index) -> Bgr {
    const RGBQUAD* t = picture.GetColorTable();
    if (!t || index >= picture.GetColorCount()) return {};
    return {t[index].rgbBlue, t[index].rgbGreen, t[index].rgbRed};
  };
  switch (picture.GetBitCount()) {
    case 1:
      return indexed((p[0] >> (7 - x % 8)) & 1);
    case 4:
      return indexed((x & 1) ? (p[0] & 0x0F) : (p[0] >> 4));
    case 8:
      return indexed(p[0]);
    case 16: {
      const std::uint32_t w = dib::Le16(p);
      return {static_cast<std::uint8_t>((w << 3) & 0xF8), static_cast<std::uint8_t>((w >> 2) & 0xF8),
              static_cast<std::uint8_t>((w >> 7) & 0xF8)};
    }
    default:  // 24 and 32 bits start with blue, green, red
      return {p[0], p[1], p[2]};
  }
}

// Nearest source offset in a run of `source` pixels for target pixel i of
// `target`: the first and last pixels map onto each other.
std::int64_t NearestOffset(std::int64_t i, std::int64_t target, std::int64_t source) {
  if (target <= 1) return 0;
  return (i * (source - 1) + (target - 1) / 2) / (target - 1);
}

}  // namespace

CBMPCutModel::CBMPCutModel(const CDIBRect& target, int pictureWidth, int pictureHeight)
    : pictureWidth_(pictureWidth),
      pictureHeight_(pictureHeight),
      selection_(target),
      targetWidth_(target.right - target.left),
      targetHeight_(target.bottom - target.top),
      handle_{target.right + 1, target.bottom + 1} {}

CBMPCutLayout CBMPCutModel::ComputeLayout(const CDIBRect& c) {
  CBMPCutLayout l;
  l.ok = {c.right - 88, c.top + 16, c.right - 8, c.top + 40};
  l.cancel = {l.ok.left, l.ok.top + 40, l.ok.right, l.ok.bottom + 40};
  l.area = {c.left, c.top, c.right - 120, c.bottom - 24};
  l.verticalBar = {l.area.right, l.area.top, l.area.right + 16, l.area.bottom};
  l.horizontalBar = {l.area.left, l.area.bottom, l.area.right, l.area.bottom + 16};
  return l;
}

void CBMPCutModel::ApplyLayout(const CDIBRect& client) {
  area_ = ComputeLayout(client).area;
  SetScrollRanges();
}

void CBMPCutModel::SetScrollRanges() {
  auto set = [](CutScrollBar& bar, int areaSize, int pictureSize) {
    bar.enabled = areaSize < pictureSize;
    // A disabled bar also goes back to 0: the picture would otherwise stay
    // shifted with no bar to bring it back.
    bar.limit = bar.enabled ? pictureSize - areaSize : 0;
    bar.position = 0;
  };
  set(horizontal_, area_.right - area_.left, pictureWidth_);
  set(vertical_, area_.bottom - area_.top, pictureHeight_);
}

bool CBMPCutModel::Scroll(bool vertical, int code, int thumbPosition) {
  CutScrollBar& bar = vertical ? vertical_ : horizontal_;
  const int quarter = (vertical ? area_.bottom - area_.top : area_.right - area_.left) / 4;
  int pos = bar.position;
  switch (code) {
    case kScrollLineUp: pos = std::max(pos - 1, 0); break;
    case kScrollLineDown: pos = std::min(pos + 1, bar.limit); break;
    case kScrollPageUp: pos = std::max(pos - quarter, 0); break;
    case kScrollPageDown: pos = std::min(pos + quarter, bar.limit); break;
    case kScrollThumbPosition:
    case kScrollThumbTrack: pos = thumbPosition; break;
    case kScrollTop: pos = 0; break;
    case kScrollBottom: pos = bar.limit; break;
    default: return false;
  }
  // The bar only reports positions inside its range; hold any other there.
  bar.position = std::clamp(pos, 0, std::max(bar.limit, 0));
  return true;
}

CutPoint CBMPCutModel::ClientToPicture(int x, int y) const {
  return {horizontal_.position + x - area_.left, vertical_.position + y - area_.top};
}

bool CBMPCutModel::InArea(int x, int y) const { return Contains(area_, x, y); }

bool CBMPCutModel::InSelection(CutPoint p) const { return Contains(selection_, p.x, p.y); }

bool CBMPCutModel::InHandle(CutPoint p) const {
  return p.x >= handle_.x && p.x < handle_.x + kHandleSize && p.y >= handle_.y && p.y < handle_.y + kHandleSize;
}

bool CBMPCutModel::MouseDown(int x, int y, bool onlyLeftButton, bool captureRunning) {
  if (InArea(x, y)) {
    const CutPoint p = ClientToPicture(x, y);
    if (InSelection(p)) {
      dragOffset_ = {p.x - selection_.left, p.y - selection_.top};
      dragging_ = true;
    }
    if (InHandle(p)) {
      resizing_ = true;
      dragOffset_ = {p.x - handle_.x, p.y - handle_.y};
      dragging_ = true;
    }
  }
  return onlyLeftButton && !captureRunning;
}

bool CBMPCutModel::MouseMove(int x, int y) {
  const CutPoint p = ClientToPicture(x, y);
  const int qx = p.x - dragOffset_.x;
  const int qy = p.y - dragOffset_.y;
  if (resizing_) {
    ResizeSelection(qx, qy);
    return true;
  }
  if (dragOffset_.x >= 0 && dragOffset_.y >= 0 && InArea(x, y)) {
    MoveSelection(qx, qy);
    return true;
  }
  return false;
}

void CBMPCutModel::MouseUp() {
  dragOffset_ = {-1, -1};
  resizing_ = false;
  dragging_ = false;
}

bool CBMPCutModel::DoubleClick(int x, int y) {
  if (!InArea(x, y)) return false;
  const CutPoint p = ClientToPicture(x, y);
  MoveSelection(p.x, p.y);
  return true;
}

void CBMPCutModel::MoveSelection(int a, int b) {
  const int w = selection_.right - selection_.left;
  const int h = selection_.bottom - selection_.top;
  selection_.left = std::max(std::min(a, pictureWidth_ - w), 0);
  selection_.top = std::max(std::min(b, pictureHeight_ - h), 0);
  selection_.right = selection_.left + w;
  selection_.bottom = selection_.top + h;
  handle_ = {selection_.right + 1, selection_.bottom + 1};
}

void CBMPCutModel::SetSelection(const CDIBRect& selection) {
  selection_ = selection;
  handle_ = {selection_.right + 1, selection_.bottom + 1};
}

void CBMPCutModel::ResizeSelection(int a, int b) {
  auto clampBetween = [](std::int64_t v, std::int64_t e1, std::int64_t e2) {
    return std::clamp(v, std::min(e1, e2), std::max(e1, e2));
  };
  const std::int64_t left = selection_.left;
  const std::int64_t top = selection_.top;
  const std::int64_t pw = pictureWidth_;
  const std::int64_t ph = pictureHeight_;
  handle_.x = static_cast<int>(clampBetween(a, left + kMinHandleDistance, pw + 1));
  handle_.y = static_cast<int>(clampBetween(b, top + kMinHandleDistance, ph + 1));
  std::int64_t right = handle_.x - 1;
  std::int64_t bottom = handle_.y - 1;
  const std::int64_t W = targetWidth_;
  const std::int64_t H = targetHeight_;
  if (W > 0 && H > 0) {
    const std::int64_t dx = right - left;
    const std::int64_t dy = bottom - top;
    if (dx * H > dy * W)
      bottom = top + dx * H / W;
    else if (dx * H < dy * W)
      right = left + dy * W / H;
    if (right > pw) {
      right = pw;
      bottom = top + (pw - left) * H / W;
    }
    if (bottom > ph) {
      bottom = ph;
      right = left + (ph - top) * W / H;
    }
  }
  selection_.right = static_cast<int>(right);
  selection_.bottom = static_cast<int>(bottom);
}

bool CBMPCutModel::Cut(const CDIB& picture, CDIB& face) const {
  CDIB made;
  if (targetWidth_ < 0 || targetHeight_ < 0 || !made.Create(targetWidth_, -targetHeight_, nullptr, 24)) return false;
  made.Fill(0);
  const std::int64_t sw = selection_.right - selection_.left;
  const std::int64_t sh = selection_.bottom - selection_.top;
  if (sw > 0 && sh > 0 && !picture.IsEmpty()) {
    for (int fy = 0; fy < targetHeight_; ++fy) {
      const std::int64_t sy = selection_.top + NearestOffset(fy, targetHeight_, sh);
      if (sy < 0 || sy >= picture.GetHeight()) continue;
      for (int fx = 0; fx < targetWidth_; ++fx) {
        const std::int64_t sx = selection_.left + NearestOffset(fx, targetWidth_, sw);
        if (sx < 0 || sx >= picture.GetWidth()) continue;
        const Bgr c = ColourAt(picture, static_cast<int>(sx), static_cast<int>(sy));
        std::uint8_t* out = made.GetPixelAddress(fx, fy);
        out[0] = c.b;
        out[1] = c.g;
        out[2] = c.r;
      }
    }
  }
  return face.Copy(made);
}
