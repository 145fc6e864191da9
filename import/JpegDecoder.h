// The editor's own baseline JPEG decoder.
//
// Scope: the sequential DCT process with Huffman coding (SOF0), one or three
// components, any sampling factors, restart intervals, 8-bit quantisation
// tables or 16-bit ones.  Only the first scan is decoded, and its components
// are taken in frame order.  Every other coding process (extended,
// progressive, lossless, hierarchical, arithmetic) is refused.  The picture
// comes out as three planes of red, green and blue bytes; chroma is
// upsampled by repeating samples and the inverse DCT is the direct double
// sum over a stored cosine table, truncated toward zero.
//
// Use: construct, AnalysisHeader(bytes), Decode(), take mRgbP, and
// ReleaseTables().  Both entry points return 0 on success and a negative
// number on failure; internally every failure is thrown as one of the
// exception classes of zfx/Errors.h and caught by the entry point that ran
// the step.  Nothing is read outside the caller's bytes whatever the headers
// claim, and a picture whose three planes would need more than 1 GiB is
// refused before anything is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "import/JpegStream.h"

// One Huffman table as the DHT segment defines it, plus lookup aids derived
// from it that give the same symbol (or the same failure) as comparing the
// code read so far with every entry bit by bit.
struct HuffmanTable {
  static constexpr int kFastBits = 9;

  std::int32_t count = 0;  // number of codes; 0: never defined
  std::unique_ptr<std::int32_t[]> sizes;
  std::unique_ptr<std::int32_t[]> codes;
  std::unique_ptr<std::int32_t[]> values;

  std::int32_t maxLength = 0;       // longest code length that has entries
  std::int32_t minCode[17] = {};      // [length]: first code of the length
  std::int32_t maxCode[17] = {};      // [length]: largest code that fits the length, -1 none
  std::int32_t valueOffset[17] = {};  // [length]: entry index minus code
  // [next kFastBits bits]: (length << 8) | symbol, 0 when the code is longer
  // or there is none.
  std::uint16_t fast[1 << kFastBits] = {};

  void Release();
  // Builds the lookup aids from count, sizes, codes and values.
  void BuildLookup();
};

struct CJpegDecoder {
  // Bits of `flags`, one per kind of segment read.
  static constexpr std::uint32_t kFlagDHT = 0x01;
  static constexpr std::uint32_t kFlagDQT = 0x02;
  static constexpr std::uint32_t kFlagJFIF = 0x04;
  static constexpr std::uint32_t kFlagCOM = 0x08;
  static constexpr std::uint32_t kFlagSOS = 0x10;

  struct FrameComponent {
    std::uint8_t id = 0, H = 0, V = 0, Tq = 0;
  };
  struct ScanComponent {
    std::uint8_t selector = 0, Td = 0, Ta = 0;
  };

  CJpegDecoder() = default;
  CJpegDecoder(const CJpegDecoder&) = delete;
  CJpegDecoder& operator=(const CJpegDecoder&) = delete;

  // Reads the segments up to the first scan header (or an EOI).  0 on
  // success, -1 when memory ran out, -2 for any other failure.  `data` must
  // stay valid until Decode has returned.
  int AnalysisHeader(const std::uint8_t* data, std::size_t size);
  // Decodes the first scan into mRgbP.  0 on success; -1 for lack of memory,
  // a table index out of range or data that ends early; -2 for malformed or
  // unsupported data.  The planes are released on failure.
  int Decode();
  // Frees the Huffman tables, the comment and the reader.
  void ReleaseTables();

  // The steps, public so that each can be exercised on its own.  They throw.
  // Returns the code of the next marker (0xFF for codes that are not
  // markers).
  int NextMarker();
  std::uint32_t AnalysisSegment();
  void AnalysisAPP0();
  void AnalysisJFIF();
  void AnalysisSOF();
  void AnalysisDHT(std::int32_t length);
  void AnalysisDQT(std::int32_t length);
  void AnalysisScan();
  void DecodeMCU();
  std::int32_t Decode1HuffmanCode(int c, int tableClass);
  void DecodeHuffman(int c);
  void Dequantize(int c);
  void InverseDCT();
  void Disconvert(std::int32_t column, std::int32_t row);

  // Forms of Dequantize and InverseDCT that visit only the coefficients
  // named in blockMask, which DecodeHuffman sets; the results are the same.
  // The second returns true when all 64 samples are equal.
  void DequantizeNonZero(int c);
  bool InverseDctNonZero();

  // Output planes: red, green, blue; row stride X.  Owned by whoever holds
  // them; they survive ReleaseTables.
  std::unique_ptr<std::uint8_t[]> mRgbP[3];
  std::size_t planeSize = 0;  // bytes in each plane

  // Y, Cb and Cr samples of one MCU, Hmax * 8 wide and Vmax * 8 high; only
  // during Decode.
  std::unique_ptr<std::int32_t[]> unit[3];

  std::int32_t dcPredictor[3] = {};
  std::int32_t block[64] = {};    // coefficients, natural order
  std::uint64_t blockMask = 0;    // bit n set: block[n] may be non-zero
  std::int32_t samples[64] = {};  // inverse DCT output, row-major
  std::uint32_t flags = 0;
  std::int32_t X = 0, Y = 0;
  std::int32_t Nf = 0;
  std::int32_t P = 0;
  std::unique_ptr<char[]> comment;  // last COM segment, NUL-terminated

  // JFIF application segment; kept, used by nothing.
  std::uint32_t jfifKind = 0;  // 0 none, 1 JFIF, 2 JFXX
  std::uint8_t jfifVersionMajor = 0, jfifVersionMinor = 0;
  std::uint32_t jfifUnits = 0;
  std::uint32_t jfifXDensity = 1, jfifYDensity = 1;
  std::uint32_t jfifThumbWidth = 0, jfifThumbHeight = 0;
  std::uint32_t jfxxExtension = 0;

  std::uint8_t Ns = 0, Ss = 0, Se = 0, Ah = 0, Al = 0;
  FrameComponent frame[3];
  ScanComponent scan[3];
  HuffmanTable huffman[2][4];  // [class: 0 DC, 1 AC][id]
  std::int32_t quant[4][64] = {};  // natural order
  std::uint32_t state = 0;         // 0 looking for SOI, 1 reading segments
  std::unique_ptr<CJpegStream> reader;
  std::int8_t Hmax = 0, Vmax = 0;
  std::int32_t restartInterval = 0;
};
