#include "tools/kaocgtool/DemoPortrait.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "facedata/ImageArchiveFormat.h"

namespace kaocgtool {
namespace {

struct Rgb {
  uint8_t r, g, b;
};

// The visible area of one face, drawn in pixels; shapes are placed in units
// of the width so that the medium face (96 x 120) keeps round heads.
class Canvas {
 public:
  Canvas(uint8_t* bgr, int stride, int w, int h) : bgr_(bgr), stride_(stride), w_(w), h_(h) {}

  int Width() const { return w_; }
  int Height() const { return h_; }

  void Put(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    uint8_t* p = bgr_ + static_cast<std::ptrdiff_t>(y) * stride_ + x * 3;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
  }

  void Blend(int x, int y, Rgb c, int alpha) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    uint8_t* p = bgr_ + static_cast<std::ptrdiff_t>(y) * stride_ + x * 3;
    p[0] = static_cast<uint8_t>((p[0] * (255 - alpha) + c.b * alpha) / 255);
    p[1] = static_cast<uint8_t>((p[1] * (255 - alpha) + c.g * alpha) / 255);
    p[2] = static_cast<uint8_t>((p[2] * (255 - alpha) + c.r * alpha) / 255);
  }

  // Coordinates in units of the width.
  int X(double u) const { return static_cast<int>(std::lround(u * w_)); }
  int Y(double v) const { return static_cast<int>(std::lround(v * w_)); }

  void Rect(double u0, double v0, double u1, double v1, Rgb c) {
    for (int y = std::max(0, Y(v0)); y < std::min(h_, Y(v1)); ++y)
      for (int x = std::max(0, X(u0)); x < std::min(w_, X(u1)); ++x) Put(x, y, c);
  }

  // An ellipse, optionally cut to the rows between vmin and vmax.
  void Ellipse(double cu, double cv, double ru, double rv, Rgb c, double vmin = -10, double vmax = 10) {
    const double cx = cu * w_, cy = cv * w_, rx = ru * w_, ry = rv * w_;
    const int y0 = std::max({0, static_cast<int>(std::floor(cy - ry)), Y(vmin)});
    const int y1 = std::min({h_ - 1, static_cast<int>(std::ceil(cy + ry)), Y(vmax) - 1});
    const int x0 = std::max(0, static_cast<int>(std::floor(cx - rx)));
    const int x1 = std::min(w_ - 1, static_cast<int>(std::ceil(cx + rx)));
    for (int y = y0; y <= y1; ++y) {
      const double dy = (y + 0.5 - cy) / ry;
      for (int x = x0; x <= x1; ++x) {
        const double dx = (x + 0.5 - cx) / rx;
        if (dx * dx + dy * dy <= 1.0) Put(x, y, c);
      }
    }
  }

  // A triangle pointing up, apex (cu, top), base from cu - hw to cu + hw at bottom.
  void Spike(double cu, double top, double bottom, double hw, Rgb c) {
    for (int y = std::max(0, Y(top)); y < std::min(h_, Y(bottom)); ++y) {
      const double t = (y + 0.5 - top * w_) / ((bottom - top) * w_);
      const double half = t * hw * w_;
      for (int x = std::max(0, static_cast<int>(cu * w_ - half)); x < std::min(w_, static_cast<int>(cu * w_ + half) + 1); ++x)
        Put(x, y, c);
    }
  }

 private:
  uint8_t* bgr_;
  int stride_, w_, h_;
};

// Deterministic per-number variety: a small integer hash.
uint32_t Mix(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7feb352dU;
  v ^= v >> 15;
  v *= 0x846ca68bU;
  v ^= v >> 16;
  return v;
}

Rgb Hsv(double h, double s, double v) {
  h = std::fmod(h, 1.0) * 6.0;
  const int i = static_cast<int>(h);
  const double f = h - i, p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  double r = v, g = t, b = p;
  switch (i) {
    case 1: r = q; g = v; b = p; break;
    case 2: r = p; g = v; b = t; break;
    case 3: r = p; g = q; b = v; break;
    case 4: r = t; g = p; b = v; break;
    case 5: r = v; g = p; b = q; break;
    default: break;
  }
  auto byte = [](double x) { return static_cast<uint8_t>(std::clamp(x * 255.0, 0.0, 255.0)); };
  return {byte(r), byte(g), byte(b)};
}

Rgb Darker(Rgb c, int percent) {
  return {static_cast<uint8_t>(c.r * percent / 100), static_cast<uint8_t>(c.g * percent / 100),
          static_cast<uint8_t>(c.b * percent / 100)};
}

// 3 x 5 digits, one row per byte, bit 2 the leftmost column.
constexpr std::array<std::array<uint8_t, 5>, 10> kDigits = {{
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
}};

void DrawNumber(Canvas& canvas, int number, int faceSize) {
  char text[16];
  const int len = std::snprintf(text, sizeof text, "%d", number);
  // Scale so that the number stays readable at 60 x 60 and modest at 240.
  const int scale = faceSize == kaocg_func::kFaceLarge ? 6 : faceSize == kaocg_func::kFaceMedium ? 3 : 2;
  const int advance = 4 * scale;
  const int textW = len * advance - scale, textH = 5 * scale;
  const int pad = scale;
  const int x0 = (canvas.Width() - textW) / 2;
  const int y0 = canvas.Height() - textH - 2 * pad - (faceSize == kaocg_func::kFaceSmall ? 2 : 2 * scale);
  // A dark plate behind the digits keeps them legible on any clothing.
  for (int y = y0 - pad; y < y0 + textH + pad; ++y)
    for (int x = x0 - pad; x < x0 + textW + pad; ++x) canvas.Blend(x, y, {0, 0, 0}, 170);
  for (int i = 0; i < len; ++i) {
    const auto& glyph = kDigits[static_cast<std::size_t>(text[i] - '0')];
    for (int row = 0; row < 5; ++row)
      for (int col = 0; col < 3; ++col)
        if (glyph[static_cast<std::size_t>(row)] & (4 >> col))
          for (int dy = 0; dy < scale; ++dy)
            for (int dx = 0; dx < scale; ++dx)
              canvas.Put(x0 + i * advance + col * scale + dx, y0 + row * scale + dy, {255, 255, 240});
  }
}

}  // namespace

void DrawDemoPortrait(int faceNumber, int faceSize, uint8_t* bgr, int stride) {
  const kaocg_func::FaceGeometry& g = kaocg_func::kFaceGeometry[static_cast<std::size_t>(faceSize)];
  Canvas c(bgr, stride, g.visibleWidth, g.visibleHeight);
  const double aspect = static_cast<double>(g.visibleHeight) / g.visibleWidth;
  const uint32_t h1 = Mix(static_cast<uint32_t>(faceNumber) * 2654435761U + 1);
  const uint32_t h2 = Mix(h1 ^ 0x9e3779b9U);
  auto frac = [](uint32_t v, int shift) { return ((v >> shift) & 0xFF) / 255.0; };

  // Background: a vertical gradient of a hue of its own.
  const double bgHue = frac(h1, 0);
  for (int y = 0; y < c.Height(); ++y) {
    const Rgb row = Hsv(bgHue, 0.35, 0.85 - 0.35 * y / c.Height());
    for (int x = 0; x < c.Width(); ++x) c.Put(x, y, row);
  }

  const Rgb skin = Hsv(0.06 + 0.03 * frac(h1, 8), 0.25 + 0.3 * frac(h1, 16), 0.75 + 0.2 * frac(h1, 24));
  const Rgb hair = Hsv(0.08, 0.4 * frac(h2, 0), 0.12 + 0.5 * frac(h2, 8) * frac(h2, 8));
  const Rgb robe = Hsv(frac(h2, 16), 0.55 + 0.4 * frac(h1, 4), 0.35 + 0.45 * frac(h2, 20));
  const Rgb dark = {25, 20, 20};
  const int hairStyle = static_cast<int>(h2 >> 24) % 4;  // helmet, topknot, hood, bare
  const bool beard = (h2 >> 28) & 1;
  const double headRx = 0.19 + 0.05 * frac(h1, 12), headRy = 0.24 + 0.04 * frac(h2, 4);
  const double headCy = 0.44 * aspect;

  // Shoulders and robe, with a collar of the background's complement.
  c.Ellipse(0.5, aspect + 0.12, 0.48, 0.42, robe);
  c.Ellipse(0.5, aspect + 0.12, 0.14, 0.40, Darker(Hsv(bgHue + 0.5, 0.5, 0.8), 90), aspect - 0.3);
  c.Rect(0.5 - headRx * 0.45, headCy + headRy * 0.6, 0.5 + headRx * 0.45, headCy + headRy + 0.08, Darker(skin, 90));

  if (hairStyle == 2) c.Ellipse(0.5, headCy + 0.02, headRx + 0.07, headRy + 0.08, Darker(robe, 70));
  c.Ellipse(0.5, headCy, headRx, headRy, skin);
  if (beard) c.Ellipse(0.5, headCy + headRy * 0.55, headRx * 0.75, headRy * 0.55, hair, headCy + headRy * 0.35);

  switch (hairStyle) {
    case 0: {  // helmet with a crest
      const Rgb metal = Hsv(0.12 + 0.5 * frac(h1, 20), 0.3, 0.55 + 0.3 * frac(h2, 12));
      c.Ellipse(0.5, headCy - headRy * 0.15, headRx + 0.04, headRy * 0.95, metal, -10, headCy - headRy * 0.35);
      c.Rect(0.5 - headRx - 0.05, headCy - headRy * 0.4, 0.5 + headRx + 0.05, headCy - headRy * 0.3, Darker(metal, 70));
      c.Spike(0.5, headCy - headRy - 0.17, headCy - headRy * 0.85, 0.09, Hsv(0.13, 0.8, 0.95));
      break;
    }
    case 1:  // topknot
      c.Ellipse(0.5, headCy - headRy * 0.2, headRx + 0.01, headRy * 0.9, hair, -10, headCy - headRy * 0.45);
      c.Ellipse(0.5, headCy - headRy - 0.05, 0.05, 0.06, hair);
      break;
    case 2:  // hood already drawn behind the head
      c.Ellipse(0.5, headCy - headRy * 0.1, headRx + 0.07, headRy, Darker(robe, 70), -10, headCy - headRy * 0.55);
      break;
    default:  // bare head with short hair at the sides
      c.Ellipse(0.5, headCy - headRy * 0.1, headRx + 0.01, headRy * 0.95, hair, -10, headCy - headRy * 0.7);
      break;
  }

  // Eyes, brows and mouth.
  const double eyeDx = headRx * 0.45, eyeY = headCy - headRy * 0.05;
  const double eyeR = 0.022 + 0.012 * frac(h2, 28);
  for (int side = -1; side <= 1; side += 2) {
    c.Ellipse(0.5 + side * eyeDx, eyeY, eyeR * 1.6, eyeR, {245, 245, 240});
    c.Ellipse(0.5 + side * eyeDx, eyeY, eyeR * 0.8, eyeR * 0.9, dark);
    c.Rect(0.5 + side * eyeDx - eyeR * 1.8, eyeY - eyeR * 3.2, 0.5 + side * eyeDx + eyeR * 1.8, eyeY - eyeR * 2.0, hair);
  }
  c.Rect(0.5 - headRx * 0.35, headCy + headRy * 0.5, 0.5 + headRx * 0.35, headCy + headRy * 0.5 + 0.02,
         beard ? Darker(hair, 60) : Hsv(0.98, 0.5, 0.55));

  if (faceNumber >= 0) DrawNumber(c, faceNumber, faceSize);
}

}  // namespace kaocgtool
