// Sprites: a picture with a see-through colour and a hit test, and a sprite
// whose picture is a grid of equal cells (phases) of which one is current.
// The editor itself creates neither; CDIB::Copy turns the current phase of a
// phased sprite into a plain picture.
#pragma once

#include <cstdint>

#include "import/DIB.h"

class CSprite : public CDIB {
 public:
  // The transparent colour before a picture has chosen one.
  static constexpr std::int32_t kTransparentUnset = 0x7FFFFFFF;

  const char* GetRuntimeClassName() const override { return "CSprite"; }
  bool Serialize(std::iostream& archive, bool loading) override;
  // Takes the pixel at (0, 0) as the transparent colour while none is set.
  void OnBitsChanged() override;
  bool Copy(const CDIB& src) override;
  // Uses the sprite's own transparent colour when called with −1 and the
  // sprite has one.
  void CopyRectTo(CDIB& dst, int dx, int dy, int w, int h, int sx, int sy,
                  std::int32_t transparent) const override;
  // True inside the picture unless the pixel there is the transparent colour.
  virtual bool HitTest(int x, int y);

  std::int32_t GetTransparentColor() const { return transparent_; }
  bool GetHitTestTransparency() const { return hitTestTransparent_ != 0; }

 protected:
  std::int32_t transparent_ = kTransparentUnset;
  std::uint32_t hitTestTransparent_ = 1;
};

class CPhasedSprite : public CSprite {
 public:
  const char* GetRuntimeClassName() const override { return "CPhasedSprite"; }
  void OnBitsChanged() override;
  bool Copy(const CDIB& src) override;
  // Addresses, size and rectangle are those of the current phase.
  std::uint8_t* GetPixelAddress(int x, int y) override;
  using CDIB::GetPixelAddress;
  int GetWidth() const override { return cellWidth_; }
  int GetHeight() const override { return cellHeight_; }
  CDIBRect GetRect() const override { return {0, 0, cellWidth_, cellHeight_}; }
  int GetPhase() const override;
  // n = −1 steps to the next phase, wrapping after the last; returns the
  // phase set, or −1 when n is outside the grid.
  int SetPhase(int n) override;
  int GetPhaseCount() const override;

  int GetPhaseRows() const { return phaseRows_; }
  int GetPhaseColumns() const { return phaseColumns_; }

 protected:
  std::int32_t phaseRows_ = 1;
  std::int32_t phaseColumns_ = 1;
  std::int32_t currentRow_ = 0;
  std::int32_t currentColumn_ = 0;
  std::int32_t cellHeight_ = 0;
  std::int32_t cellWidth_ = 0;
};
