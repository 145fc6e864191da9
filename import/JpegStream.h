// Byte and bit reader over a JPEG file held in memory by the caller.
//
// Header reads (GetByte, GetWord, CopyByte, SkipByte) never go past the last
// byte; they throw EBufferError naming the read instead.  Entropy-coded data
// is read by GetBits, which removes the stuffed 0x00 after every 0xFF data
// byte and stops in front of a marker.  Bits are fetched into a cache several
// bytes at a time; the byte position a header read then continues from is
// the one a reader consuming the bits one at a time would stand on.
#pragma once

#include <cstddef>
#include <cstdint>

class CJpegStream {
 public:
  // `data` stays owned by the caller and must outlive the stream.
  CJpegStream(const std::uint8_t* data, std::size_t size);

  CJpegStream(const CJpegStream&) = delete;
  CJpegStream& operator=(const CJpegStream&) = delete;

  // Next byte; first drops the rest of a partly read byte.
  std::uint8_t GetByte();
  // Next two bytes, most significant first.
  std::uint16_t GetWord();
  // Copies the next n bytes to out (n >= 0).
  void CopyByte(void* out, std::int32_t n);
  // Moves n bytes on without aligning; n < 0 moves back, never before the
  // start of the data.
  void SkipByte(std::int32_t n);

  // Next n (0..16) entropy-coded bits, most significant first.  When a
  // marker stands where the bits should be, returns its negated code and
  // stays in front of it.  Throws EBufferError ("GetBits") when the data ends
  // first.
  std::int32_t GetBits(int n);

  // Entropy-coded bit access for table-driven Huffman decoding.
  // Makes at least 16 bits available unless a marker or the end comes first.
  void FillBits() {
    if (bitCount_ < 16) Refill();
  }
  // The same for 32 bits.
  void FillBits32() {
    if (bitCount_ < 32) Refill();
  }
  // Number of bits before the next marker or the end that are in the cache.
  int CachedBits() const { return bitCount_; }
  // The next 16 bits, zero-padded past CachedBits().
  std::uint32_t Peek16() const {
    return bitCount_ >= 16 ? static_cast<std::uint32_t>(bits_ >> (bitCount_ - 16)) & 0xFFFFu
                           : static_cast<std::uint32_t>(bits_ << (16 - bitCount_)) & 0xFFFFu;
  }
  // The next 32 bits, zero-padded past CachedBits().
  std::uint32_t Peek32() const {
    return bitCount_ >= 32 ? static_cast<std::uint32_t>(bits_ >> (bitCount_ - 32))
                           : static_cast<std::uint32_t>(bits_ << (32 - bitCount_));
  }
  // Drops n <= CachedBits() bits.
  void SkipBits(int n) {
    bitCount_ -= n;
    consumed_ = true;
  }
  // The code of the marker that stopped the cache, 0 when none did.
  int PendingMarker() const { return marker_; }

  // Offset used in error values: the byte that holds the next bit or byte.
  std::int32_t Position() const;
  // Whether header reads have data left.
  bool More() const { return cur_ < end_; }

 private:
  // Loads bytes into the cache up to 57 bits or the next marker or the end.
  void Refill();
  // Returns to byte reading: the rest of the byte that holds the last bit
  // read is dropped, cached whole bytes are given back.
  void Align();

  const std::uint8_t* begin_;
  const std::uint8_t* cur_;  // next byte not yet in the cache
  const std::uint8_t* end_;
  const std::uint8_t* fillStart_;  // where the cache started loading
  std::uint64_t bits_ = 0;   // cached bits, the oldest ones highest
  int bitCount_ = 0;
  int marker_ = 0;
  bool consumed_ = false;    // a bit was consumed since the last alignment
};
