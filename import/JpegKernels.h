// The inner loops of the JPEG decoder in each form this machine can run
// (plain C++ and, on x86-64, AVX2 and AVX-512).  The decoder picks the
// fastest once; every form must give the same bits, which the tests check
// by running all of them.
#pragma once

#include <cstdint>
#include <vector>

namespace jpegkernels {

// Inverse DCT of a block whose non-zero dequantised coefficients are named
// by mask (bit n: block[n], natural order): out[8y + x] = level + 0.25 *
// the direct double sum, truncated toward zero.
using IdctKernel = void (*)(const std::int32_t* block, std::uint64_t mask, double level, std::int32_t* out);

// n samples of one MCU row of Y, Cb and Cr to red, green and blue bytes.
using RowConverter = void (*)(const std::int32_t* y, const std::int32_t* cb, const std::int32_t* cr,
                              std::uint8_t* r, std::uint8_t* g, std::uint8_t* b, std::int64_t n);

template <class F>
struct Variant {
  const char* name;
  F fn;
};

// The plain form first.
std::vector<Variant<IdctKernel>> IdctVariants();
std::vector<Variant<RowConverter>> ColourRowVariants();

}  // namespace jpegkernels
