#include "zfx/Tiling.h"

#include <algorithm>

#include "zfx/PixelFormat.h"

namespace zfx {
namespace {

// A level that needs more than this is refused before anything is allocated.
constexpr std::uint64_t kMaxTiledBytes = std::uint64_t{1} << 30;

constexpr bool IsPowerOfTwo(std::uint64_t v) { return v != 0 && (v & (v - 1)) == 0; }

// Spreads the bits of v to the even bit positions.
constexpr std::uint64_t SpreadBits(std::uint32_t v) {
  std::uint64_t x = v;
  x = (x | (x << 16)) & 0x0000FFFF0000FFFFull;
  x = (x | (x << 8)) & 0x00FF00FF00FF00FFull;
  x = (x | (x << 4)) & 0x0F0F0F0F0F0F0F0Full;
  x = (x | (x << 2)) & 0x3333333333333333ull;
  x = (x | (x << 1)) & 0x5555555555555555ull;
  return x;
}

// Interleaves x into the even and y into the odd bits: the Z-order index of
// a unit inside a square block.
constexpr std::uint64_t Morton(std::uint32_t x, std::uint32_t y) { return SpreadBits(x) | (SpreadBits(y) << 1); }
static_assert(Morton(1, 0) == 1 && Morton(0, 1) == 2 && Morton(3, 3) == 15 && Morton(4, 0) == 16);
static_assert(Morton(0xFFFFFFFFu, 0) == 0x5555555555555555ull);

// The grid of units a level is reordered in: pixels, or 4 x 4 blocks for
// block formats (a side below 4 still holds one block, as in the encoded
// size).
struct Grid {
  std::uint32_t w;
  std::uint32_t h;
  std::uint32_t unitBits;
};

Grid MakeGrid(const PixelFormatInfo& info, std::uint32_t width, std::uint32_t height) {
  if (info.block) {
    return {std::max<std::uint32_t>(1, (width + 3) / 4), std::max<std::uint32_t>(1, (height + 3) / 4),
            info.bitsPerPixel * 16u};
  }
  return {width, height, info.bitsPerPixel};
}

// Calls fn(tiledIndex, rowIndex) for every unit of platform 1's layout.
template <class Fn>
bool ForEachZOrder(const Grid& g, Fn&& fn) {
  std::uint32_t f = std::min(g.w, g.h);
  if (g.w == g.h) f = g.w >= 3 ? g.w / 2 : g.w;
  if (f <= 1) {
    const std::uint64_t n = std::uint64_t{g.w} * g.h;
    for (std::uint64_t i = 0; i < n; ++i) fn(i, i);
    return true;
  }
  if (!IsPowerOfTwo(f) || g.w % f != 0 || g.h % f != 0) return false;
  const std::uint64_t blocksPerRow = g.w / f;
  const std::uint64_t blockUnits = std::uint64_t{f} * f;
  for (std::uint32_t y = 0; y < g.h; ++y) {
    for (std::uint32_t x = 0; x < g.w; ++x) {
      const std::uint64_t block = (y / f) * blocksPerRow + x / f;
      fn(block * blockUnits + Morton(x % f, y % f), std::uint64_t{y} * g.w + x);
    }
  }
  return true;
}

// Calls fn(tiledIndex, rowIndex) for every unit of a row-major layout of
// tw x th tiles, each tile's rows in order. A level smaller than a tile is
// one tile clipped to the level.
template <class Fn>
void ForEachTile(const Grid& g, std::uint32_t tileW, std::uint32_t tileH, Fn&& fn) {
  const std::uint32_t tw = std::min(tileW, g.w);
  const std::uint32_t th = std::min(tileH, g.h);
  if (tw == 0 || th == 0) return;
  const std::uint32_t tilesX = (g.w + tw - 1) / tw;
  const std::uint32_t tilesY = (g.h + th - 1) / th;
  std::uint64_t t = 0;
  for (std::uint32_t ty = 0; ty < tilesY; ++ty)
    for (std::uint32_t tx = 0; tx < tilesX; ++tx)
      for (std::uint32_t y = 0; y < th; ++y)
        for (std::uint32_t x = 0; x < tw; ++x, ++t) {
          const std::uint64_t gx = std::uint64_t{tx} * tw + x;
          const std::uint64_t gy = std::uint64_t{ty} * th + y;
          if (gx < g.w && gy < g.h) fn(t, gy * g.w + gx);
        }
}

// Bounds-checked byte access: missing input reads as zero, output past the
// end is dropped.
std::uint8_t At(std::span<const std::uint8_t> s, std::uint64_t i) { return i < s.size() ? s[i] : 0; }
void Put(std::vector<std::uint8_t>& v, std::uint64_t i, std::uint8_t b) {
  if (i < v.size()) v[i] = b;
}

// Moves one unit of unitBits from unit index from of src to unit index to of
// dst. Half-byte units keep the first pixel of a byte in the low nibble,
// except on the side that is marked swapped, which keeps it in the high one.
void MoveUnit(std::span<const std::uint8_t> src, std::uint64_t from, bool srcSwapped,
              std::vector<std::uint8_t>& dst, std::uint64_t to, bool dstSwapped,
              std::uint32_t unitBits) {
  if (unitBits == 4) {
    const unsigned srcShift = ((from & 1) != 0) != srcSwapped ? 4 : 0;
    const unsigned dstShift = ((to & 1) != 0) != dstSwapped ? 4 : 0;
    const std::uint8_t nibble = (At(src, from / 2) >> srcShift) & 0x0F;
    if (to / 2 < dst.size()) {
      std::uint8_t& b = dst[to / 2];
      b = std::uint8_t((b & ~(0x0F << dstShift)) | (nibble << dstShift));
    }
    return;
  }
  const std::uint32_t n = unitBits / 8;
  for (std::uint32_t k = 0; k < n; ++k) Put(dst, to * n + k, At(src, from * n + k));
}

// One DXT1 block as platform 3 stores it: both colours big-endian and the
// four 2-bit indices of every index byte in reverse order. Exchanging them is
// its own inverse.
void SwapPlatform3Dxt1Block(std::uint8_t* b) {
  std::swap(b[0], b[1]);
  std::swap(b[2], b[3]);
  for (int i = 4; i < 8; ++i) {
    const std::uint8_t v = b[i];
    b[i] = std::uint8_t(((v & 0x03) << 6) | ((v & 0x0C) << 2) | ((v & 0x30) >> 2) | ((v & 0xC0) >> 6));
  }
}

// Platform 3's 32-bit tiles hold 16 alpha-red pairs and then 16 green-blue
// pairs; in row order the 32-bit value is A R G B most significant first.
void Platform3Pixel32(std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst,
                      std::uint64_t t, std::uint64_t r, std::uint64_t tilePixels, bool bigEndian,
                      bool untile) {
  const std::uint64_t base = (t / tilePixels) * tilePixels * 4;
  const std::uint64_t p = t % tilePixels;
  const std::uint64_t ar = base + 2 * p;
  const std::uint64_t gb = base + 2 * tilePixels + 2 * p;
  // Offsets of A, R, G, B inside the row-order pixel.
  const std::uint64_t a = bigEndian ? 0 : 3, rr = bigEndian ? 1 : 2, g = bigEndian ? 2 : 1,
                      b = bigEndian ? 3 : 0;
  const std::uint64_t px = r * 4;
  if (untile) {
    Put(dst, px + a, At(src, ar));
    Put(dst, px + rr, At(src, ar + 1));
    Put(dst, px + g, At(src, gb));
    Put(dst, px + b, At(src, gb + 1));
  } else {
    Put(dst, ar, At(src, px + a));
    Put(dst, ar + 1, At(src, px + rr));
    Put(dst, gb, At(src, px + g));
    Put(dst, gb + 1, At(src, px + b));
  }
}

bool Reorder(std::int32_t platform, std::int32_t format, std::uint32_t width, std::uint32_t height,
             bool bigEndian, std::span<const std::uint8_t> src, std::vector<std::uint8_t>& dst,
             bool untile) {
  const PixelFormatInfo* info = GetPixelFormatInfo(format);
  if (!info) return false;
  const std::uint64_t size = GetEncodedSize(width, height, format);
  if (size > kMaxTiledBytes) return false;
  dst.assign(size, 0);
  if (!info->tiled || platform == 0) {
    std::copy_n(src.begin(), std::min<std::uint64_t>(src.size(), size), dst.begin());
    return true;
  }
  const Grid g = MakeGrid(*info, width, height);
  if (platform == 1) {
    return ForEachZOrder(g, [&](std::uint64_t t, std::uint64_t r) {
      if (untile)
        MoveUnit(src, t, false, dst, r, false, g.unitBits);
      else
        MoveUnit(src, r, false, dst, t, false, g.unitBits);
    });
  }
  if (platform != 3) return false;

  if (format == TQR_PIXEL_FORMAT_TILE_DXT1) {
    ForEachTile(g, 2, 2, [&](std::uint64_t t, std::uint64_t r) {
      if (untile)
        MoveUnit(src, t, false, dst, r, false, 64);
      else
        MoveUnit(src, r, false, dst, t, false, 64);
    });
    for (std::uint64_t off = 0; off + 8 <= dst.size(); off += 8) SwapPlatform3Dxt1Block(&dst[off]);
    return true;
  }
  if (info->block) return false;
  switch (info->bitsPerPixel) {
    case 32: {
      const std::uint64_t tilePixels = std::uint64_t{std::min(4u, g.w)} * std::min(4u, g.h);
      ForEachTile(g, 4, 4, [&](std::uint64_t t, std::uint64_t r) {
        Platform3Pixel32(src, dst, t, r, tilePixels, bigEndian, untile);
      });
      return true;
    }
    case 16:
    case 8:
    case 4: {
      const std::uint32_t tw = info->bitsPerPixel == 16 ? 4 : 8;
      const std::uint32_t th = info->bitsPerPixel == 4 ? 8 : 4;
      ForEachTile(g, tw, th, [&](std::uint64_t t, std::uint64_t r) {
        if (untile)
          MoveUnit(src, t, true, dst, r, false, g.unitBits);
        else
          MoveUnit(src, r, false, dst, t, true, g.unitBits);
      });
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

bool UntileLevel(std::int32_t platform, std::int32_t format, std::uint32_t width,
                 std::uint32_t height, bool bigEndian, std::span<const std::uint8_t> tiled,
                 std::vector<std::uint8_t>& rowOrder) {
  return Reorder(platform, format, width, height, bigEndian, tiled, rowOrder, true);
}

bool TileLevel(std::int32_t platform, std::int32_t format, std::uint32_t width,
               std::uint32_t height, bool bigEndian, std::span<const std::uint8_t> rowOrder,
               std::vector<std::uint8_t>& tiled) {
  return Reorder(platform, format, width, height, bigEndian, rowOrder, tiled, false);
}

}  // namespace zfx
