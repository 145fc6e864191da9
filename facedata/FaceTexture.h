// One face as a G1T texture: the toolkit's sequence for a new face, and the
// decoding of a stored one. The image archive wraps these around its
// bitmaps; the tools use them directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kaocg_func {

// Encodes width x height pixels of red, green, blue, alpha bytes (top row
// first; the mask already applied) as a one-texture G1T for platform 0,
// stored as BGRA8, into buffer of capacity bytes. The number of bytes
// written, 0 when the encoding fails or does not fit. A texture name (the
// game names its textures) makes the texture carry the extended header.
std::uint32_t EncodeFaceTexture(const std::vector<std::uint8_t>& rgba, int width, int height,
                                std::uint8_t* buffer, std::uint32_t capacity,
                                const std::wstring& textureName = {});

// Decodes a G1T of exactly one texture from size bytes at buffer into red,
// green, blue, alpha bytes, top row first; the size comes from the texture's
// dimension byte. False for anything else.
bool DecodeFaceTexture(const std::uint8_t* buffer, std::uint32_t size, std::vector<std::uint8_t>* rgba,
                       int* width, int* height);

// The same decoding always through the float image, the general route that
// DecodeFaceTexture leaves for a byte image where both give the same bytes;
// kept to check that they do.
bool DecodeFaceTextureThroughFloats(const std::uint8_t* buffer, std::uint32_t size,
                                    std::vector<std::uint8_t>* rgba, int* width, int* height);

}  // namespace kaocg_func
