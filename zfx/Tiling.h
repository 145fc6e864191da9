// The storage orders of the TILE_ pixel formats. Untiling brings a stored
// level into row order before it is decoded; tiling is its exact inverse,
// applied after encoding. Both take and produce GetEncodedSize bytes; input
// bytes that are missing read as zero.
//
// Platform 0 stores no TILE_ format (it substitutes them all), so its data
// is taken as row order. Platform 1 uses square blocks in Z-order; block
// formats are reordered with the 4 x 4 block as the unit. Platform 3 uses
// row-major tiles; a level smaller than one tile is stored as one tile
// clipped to the level, so that it fits in the level's encoded size.
// Platform 2's vendor tiling and platform 4's reordering are not available:
// the functions return false and the caller falls back to the null converter.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zfx {

bool UntileLevel(std::int32_t platform, std::int32_t format, std::uint32_t width,
                 std::uint32_t height, bool bigEndian, std::span<const std::uint8_t> tiled,
                 std::vector<std::uint8_t>& rowOrder);

bool TileLevel(std::int32_t platform, std::int32_t format, std::uint32_t width,
               std::uint32_t height, bool bigEndian, std::span<const std::uint8_t> rowOrder,
               std::vector<std::uint8_t>& tiled);

}  // namespace zfx
