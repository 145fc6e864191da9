#include "import/JpegStream.h"

#include <cstring>
#include <limits>

#include "zfx/Errors.h"

CJpegStream::CJpegStream(const std::uint8_t* data, std::size_t size)
    : begin_(data), cur_(data), end_(data + size), fillStart_(data) {}

void CJpegStream::Align() {
  if (bitCount_ == 0 && !consumed_) {
    marker_ = 0;
    fillStart_ = cur_;
    return;
  }
  // Give back the whole bytes still in the cache.  Inside entropy-coded data
  // every 0xFF is the first byte of a stuffed pair, so a 0x00 right after a
  // 0xFF that was loaded by this fill is the stuffed one.
  for (int k = bitCount_ / 8; k > 0; --k) {
    if (cur_ - fillStart_ >= 2 && cur_[-1] == 0x00 && cur_[-2] == 0xFF)
      cur_ -= 2;
    else
      cur_ -= 1;
  }
  // A byte-at-a-time reader standing on a consumed 0xFF data byte moves on
  // to its stuffed 0x00, not past it.
  if (consumed_ && cur_ - fillStart_ >= 2 && cur_[-1] == 0x00 && cur_[-2] == 0xFF) cur_ -= 1;
  bits_ = 0;
  bitCount_ = 0;
  marker_ = 0;
  consumed_ = false;
  fillStart_ = cur_;
}

std::uint8_t CJpegStream::GetByte() {
  Align();
  if (cur_ >= end_) throw EBufferError{"GetByte"};
  return *cur_++;
}

std::uint16_t CJpegStream::GetWord() {
  Align();
  if (end_ - cur_ < 2) throw EBufferError{"GetWord"};
  const std::uint16_t w = static_cast<std::uint16_t>((cur_[0] << 8) | cur_[1]);
  cur_ += 2;
  return w;
}

void CJpegStream::CopyByte(void* out, std::int32_t n) {
  Align();
  if (n < 0 || end_ - cur_ < n) throw EBufferError{"CopyByte"};
  if (n > 0) std::memcpy(out, cur_, static_cast<std::size_t>(n));
  cur_ += n;
}

void CJpegStream::SkipByte(std::int32_t n) {
  Align();
  if (n >= 0 ? end_ - cur_ < n : cur_ - begin_ < -static_cast<std::int64_t>(n))
    throw EBufferError{"SkipByte"};
  cur_ += n;
  fillStart_ = cur_;
}

void CJpegStream::Refill() {
  while (bitCount_ <= 56 && marker_ == 0 && cur_ < end_) {
    const std::uint8_t b = *cur_;
    if (b == 0xFF) {
      // A 0xFF as the very last byte cannot start a stuffed pair or a
      // marker: it is treated as the end of the data.
      if (end_ - cur_ < 2) break;
      if (cur_[1] != 0) {
        marker_ = cur_[1];
        break;
      }
      cur_ += 2;
    } else {
      cur_ += 1;
    }
    bits_ = (bits_ << 8) | b;
    bitCount_ += 8;
  }
}

std::int32_t CJpegStream::GetBits(int n) {
  if (n <= 0) return 0;
  if (bitCount_ < n) Refill();
  if (bitCount_ < n) {
    if (marker_ == 0) throw EBufferError{"GetBits"};
    // The bits read so far are lost; the reader stands on the marker's 0xFF
    // as if it had just arrived there.
    const int code = marker_;
    bits_ = 0;
    bitCount_ = 0;
    consumed_ = false;
    fillStart_ = cur_;
    return -code;
  }
  bitCount_ -= n;
  consumed_ = true;
  return static_cast<std::int32_t>((bits_ >> bitCount_) & ((std::uint64_t{1} << n) - 1));
}

std::int32_t CJpegStream::Position() const {
  const std::int64_t pos = (cur_ - begin_) - bitCount_ / 8;
  return pos > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                                                        : static_cast<std::int32_t>(pos);
}
