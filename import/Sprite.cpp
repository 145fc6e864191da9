#include "import/Sprite.h"

#include <cstdint>

namespace {

// The value a pixel is compared with: the high nibble, the byte, the word or
// blue << 16 | green << 8 | red; -1 for bit counts without a comparable value
// (and for a null address).
std::int64_t PixelKey(const std::uint8_t* p, int bitCount, int x, bool lowNibbleForOddX) {
  if (!p) return -1;
  switch (bitCount) {
    case 4:
      return (lowNibbleForOddX && (x & 1)) ? (p[0] & 0x0F) : (p[0] >> 4);
    case 8:
      return p[0];
    case 16:
      return p[0] | (p[1] << 8);
    case 24:
      return (std::int64_t{p[0]} << 16) | (p[1] << 8) | p[2];
    default:
      return -1;
  }
}

}  // namespace

bool CSprite::Serialize(std::iostream& archive, bool loading) {
  // Load already ran OnBitsChanged; the second call keeps the behaviour of
  // a sprite read from an archive.
  const bool ok = CDIB::Serialize(archive, loading);
  if (loading) OnBitsChanged();
  return ok;
}

void CSprite::OnBitsChanged() {
  if (transparent_ != kTransparentUnset) return;
  const std::int64_t key = PixelKey(GetPixelAddress(0, 0), GetBitCount(), 0, false);
  if (key >= 0) transparent_ = static_cast<std::int32_t>(key);
}

bool CSprite::Copy(const CDIB& src) {
  if (!CDIB::Copy(src)) return false;
  if (const auto* sprite = dynamic_cast<const CSprite*>(&src)) {
    transparent_ = sprite->transparent_;
    hitTestTransparent_ = sprite->hitTestTransparent_;
  }
  return true;
}

void CSprite::CopyRectTo(CDIB& dst, int dx, int dy, int w, int h, int sx, int sy, std::int32_t transparent) const {
  if (transparent == -1 && transparent_ != -1) transparent = transparent_;
  CDIB::CopyRectTo(dst, dx, dy, w, h, sx, sy, transparent);
}

bool CSprite::HitTest(int x, int y) {
  const CDIBRect r = GetRect();
  if (x < r.left || x >= r.right || y < r.top || y >= r.bottom) return false;
  if (!hitTestTransparent_ || transparent_ == -1) return true;
  const std::int64_t key = PixelKey(GetPixelAddress(x, y), GetBitCount(), x, true);
  return key < 0 || key != transparent_;
}

void CPhasedSprite::OnBitsChanged() {
  CSprite::OnBitsChanged();
  cellHeight_ = CDIB::GetHeight() / phaseRows_;
  cellWidth_ = CDIB::GetWidth() / phaseColumns_;
}

bool CPhasedSprite::Copy(const CDIB& src) {
  if (!CSprite::Copy(src)) return false;
  if (const auto* phased = dynamic_cast<const CPhasedSprite*>(&src)) {
    phaseRows_ = phased->phaseRows_;
    phaseColumns_ = phased->phaseColumns_;
    currentRow_ = phased->currentRow_;
    currentColumn_ = phased->currentColumn_;
    cellHeight_ = phased->cellHeight_;
    cellWidth_ = phased->cellWidth_;
  }
  return true;
}

std::uint8_t* CPhasedSprite::GetPixelAddress(int x, int y) {
  return CDIB::GetPixelAddress(x + cellWidth_ * currentColumn_, y + cellHeight_ * currentRow_);
}

int CPhasedSprite::GetPhase() const { return currentRow_ * phaseColumns_ + currentColumn_; }

int CPhasedSprite::GetPhaseCount() const { return phaseRows_ * phaseColumns_; }

int CPhasedSprite::SetPhase(int n) {
  if (n == -1) {
    n = GetPhase() + 1;
    if (n >= GetPhaseCount()) n = 0;
  }
  // Other negative numbers name no phase (a negative column would address
  // pixels left of the grid).
  if (n < 0) return -1;
  const int row = n / phaseColumns_;
  if (row < 0 || row >= phaseRows_) return -1;
  currentRow_ = row;
  if (phaseColumns_ > 1) currentColumn_ = n % phaseColumns_;
  return n;
}
