#include "zfx/BinaryStream.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace zfx {

namespace {

// The unsigned integer with the same width as T, so that floating-point
// values travel as their bit patterns.
template <typename T>
using Bits = std::conditional_t<sizeof(T) == 1, std::uint8_t,
             std::conditional_t<sizeof(T) == 2, std::uint16_t,
             std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;

template <typename T>
Bits<T> ToBits(T v) {
  Bits<T> b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

template <typename T>
T FromBits(Bits<T> b) {
  T v;
  std::memcpy(&v, &b, sizeof v);
  return v;
}

// Copies n raw bytes; in big-endian mode the run is treated as one value and
// its bytes are reversed.
void CopyRaw(std::uint8_t* dst, const std::uint8_t* src, std::uint32_t n, bool bigEndian) {
  if (bigEndian) {
    for (std::uint32_t i = 0; i < n; ++i) dst[i] = src[n - 1 - i];
  } else {
    std::memcpy(dst, src, n);
  }
}

// Stores the low `size` bytes of bits at dst in the requested byte order.
void StoreBits(std::uint8_t* dst, std::uint64_t bits, unsigned size, bool bigEndian) {
  for (unsigned i = 0; i < size; ++i) {
    const std::uint8_t byte = static_cast<std::uint8_t>(bits >> (8 * i));
    dst[bigEndian ? size - 1 - i : i] = byte;
  }
}

std::uint64_t LoadBits(const std::uint8_t* src, unsigned size, bool bigEndian) {
  std::uint64_t bits = 0;
  for (unsigned i = 0; i < size; ++i) {
    const std::uint8_t byte = src[bigEndian ? size - 1 - i : i];
    bits |= static_cast<std::uint64_t>(byte) << (8 * i);
  }
  return bits;
}

std::uint64_t FieldMask(unsigned width) {
  return width >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
}

// Moves the fields of a W-bit value from least-significant-first allocation
// to most-significant-first allocation.  Fields that would not fit in W bits
// are dropped rather than shifted out of range.
std::uint64_t FieldsToBigEndianLayout(std::uint64_t value, unsigned W, const BitFieldWidths& widths) {
  std::uint64_t result = 0;
  unsigned b = 0;
  for (unsigned w : widths) {
    if (w == 0) continue;
    if (w > W || b > W - w) break;
    const std::uint64_t field = (value >> b) & FieldMask(w);
    const unsigned at = W - (b + w);
    result |= field << at;
    b += w;
  }
  return result;
}

// The inverse of FieldsToBigEndianLayout.
std::uint64_t FieldsFromBigEndianLayout(std::uint64_t v, unsigned W, const BitFieldWidths& widths) {
  std::uint64_t result = 0;
  unsigned s = 0;
  for (unsigned w : widths) {
    if (w == 0) continue;
    if (w > W || s > W - w) break;
    const std::uint64_t field = (v >> (W - w - s)) & FieldMask(w);
    result |= field << s;
    s += w;
  }
  return result;
}

}  // namespace

// ---- CBinFileIO ----

void CBinFileIO::SetPosition(std::uint32_t pos) { m_position = pos; }

std::uint32_t CBinFileIO::Skip(std::uint32_t n) {
  m_position += n;
  return n;
}

std::uint32_t CBinFileIO::GetPosition() const { return m_position; }

std::uint32_t CBinFileIO::SetPositionFromOrigin(std::uint32_t n) {
  m_position = m_origin + n;
  return m_position;
}

std::uint32_t CBinFileIO::GetPositionFromOrigin() const { return m_position - m_origin; }

std::uint32_t CBinFileIO::GetPaddingSize(std::uint32_t value, std::uint32_t alignment) const {
  if (alignment == 0 || value % alignment == 0) return 0;
  return alignment - value % alignment;
}

// ---- CBinaryWriterBase / CBinaryReaderBase ----

std::uint32_t CBinaryWriterBase::WritePadding(std::uint32_t value, std::uint32_t alignment) {
  const std::uint32_t p = GetPaddingSize(value, alignment);
  if (p == 0) return 0;
  std::vector<std::uint8_t> zeros(p, 0);
  WriteArray(zeros.data(), p);
  return p;
}

std::uint32_t CBinaryReaderBase::SkipPadding(std::uint32_t value, std::uint32_t alignment) {
  const std::uint32_t p = GetPaddingSize(value, alignment);
  Skip(p);
  return p;
}

// ---- CBinaryWriterToMemory ----

CBinaryWriterToMemory::CBinaryWriterToMemory(void* buffer, std::uint32_t capacity)
    : m_buffer(static_cast<std::uint8_t*>(buffer)), m_size(capacity) {}

std::uint32_t CBinaryWriterToMemory::GetBufferSize() const { return m_size; }

bool CBinaryWriterToMemory::Fits(std::uint64_t n) const {
  return m_buffer != nullptr && std::uint64_t{m_position} + n <= m_size;
}

template <typename T>
std::uint32_t CBinaryWriterToMemory::PutValue(T v) {
  if (!Fits(sizeof(T))) return 0;
  StoreBits(m_buffer + m_position, ToBits(v), sizeof(T), m_bigEndian);
  m_position += sizeof(T);
  return sizeof(T);
}

template <typename T>
std::uint32_t CBinaryWriterToMemory::PutArray(const T* src, std::uint32_t count) {
  if (count == 0 || src == nullptr) return 0;
  if (!Fits(std::uint64_t{count} * sizeof(T))) return 0;
  std::uint32_t total = 0;
  for (std::uint32_t i = 0; i < count; ++i) total += PutValue(src[i]);
  return total;
}

template <typename T>
std::uint32_t CBinaryWriterToMemory::PutBitField(T v, const BitFieldWidths& widths) {
  if (!m_bigEndian) return PutValue(v);
  return PutValue(static_cast<T>(FieldsToBigEndianLayout(v, sizeof(T) * 8, widths)));
}

std::uint32_t CBinaryWriterToMemory::WriteRaw(const void* src, std::uint32_t n) {
  if (n == 0 || src == nullptr || m_buffer == nullptr) return 0;
  if (std::uint64_t{m_position} + n >= m_size) return 0;
  CopyRaw(m_buffer + m_position, static_cast<const std::uint8_t*>(src), n, m_bigEndian);
  m_position += n;
  return n;
}

std::uint32_t CBinaryWriterToMemory::Write(double v) { return PutValue(v); }
std::uint32_t CBinaryWriterToMemory::Write(float v) { return PutValue(v); }
std::uint32_t CBinaryWriterToMemory::Write(std::int64_t v) { return PutValue(v); }
std::uint32_t CBinaryWriterToMemory::Write(std::uint64_t v) { return PutValue(v); }
std::uint32_t CBinaryWriterToMemory::Write(std::int32_t v) { return PutValue(v); }
std::uint32_t CBinaryWriterToMemory::Write(std::uint32_t v) { return PutValue(v); }
std::uint32_t CBinaryWriterToMemory::Write(std::int16_t v) { return PutValue(v); }
std::uint32_t CBinaryWriterToMemory::Write(std::uint16_t v) { return PutValue(v); }
std::uint32_t CBinaryWriterToMemory::Write(std::int8_t v) { return PutValue(v); }
std::uint32_t CBinaryWriterToMemory::Write(std::uint8_t v) { return PutValue(v); }
std::uint32_t CBinaryWriterToMemory::WriteBitField(std::uint64_t v, const BitFieldWidths& w) { return PutBitField(v, w); }
std::uint32_t CBinaryWriterToMemory::WriteBitField(std::uint32_t v, const BitFieldWidths& w) { return PutBitField(v, w); }
std::uint32_t CBinaryWriterToMemory::WriteBitField(std::uint16_t v, const BitFieldWidths& w) { return PutBitField(v, w); }
std::uint32_t CBinaryWriterToMemory::WriteBitField(std::uint8_t v, const BitFieldWidths& w) { return PutBitField(v, w); }
std::uint32_t CBinaryWriterToMemory::WriteArray(const double* s, std::uint32_t c) { return PutArray(s, c); }
std::uint32_t CBinaryWriterToMemory::WriteArray(const float* s, std::uint32_t c) { return PutArray(s, c); }
std::uint32_t CBinaryWriterToMemory::WriteArray(const std::int64_t* s, std::uint32_t c) { return PutArray(s, c); }
std::uint32_t CBinaryWriterToMemory::WriteArray(const std::uint64_t* s, std::uint32_t c) { return PutArray(s, c); }
std::uint32_t CBinaryWriterToMemory::WriteArray(const std::int32_t* s, std::uint32_t c) { return PutArray(s, c); }
std::uint32_t CBinaryWriterToMemory::WriteArray(const std::uint32_t* s, std::uint32_t c) { return PutArray(s, c); }
std::uint32_t CBinaryWriterToMemory::WriteArray(const std::int16_t* s, std::uint32_t c) { return PutArray(s, c); }
std::uint32_t CBinaryWriterToMemory::WriteArray(const std::uint16_t* s, std::uint32_t c) { return PutArray(s, c); }

// Byte arrays are copied as they are in both byte orders.
std::uint32_t CBinaryWriterToMemory::WriteArray(const std::int8_t* s, std::uint32_t c) {
  return WriteArray(reinterpret_cast<const std::uint8_t*>(s), c);
}

std::uint32_t CBinaryWriterToMemory::WriteArray(const std::uint8_t* s, std::uint32_t c) {
  if (c == 0 || s == nullptr || !Fits(c)) return 0;
  std::memcpy(m_buffer + m_position, s, c);
  m_position += c;
  return c;
}

// A padding run that cannot fit is refused before its zero bytes are built,
// so a huge alignment cannot make the writer allocate.
std::uint32_t CBinaryWriterToMemory::WritePadding(std::uint32_t value, std::uint32_t alignment) {
  const std::uint32_t p = GetPaddingSize(value, alignment);
  if (p == 0 || !Fits(p)) return p;
  return CBinaryWriterBase::WritePadding(value, alignment);
}

// ---- CBinaryWriterForUpdateSize ----

std::uint32_t CBinaryWriterForUpdateSize::GetBufferSize() const { return 0; }

// Sizes beyond 32 bits cannot be described by a 32-bit position, so such a
// count is refused instead of wrapping.
std::uint32_t CBinaryWriterForUpdateSize::Count(std::uint64_t n) {
  if (n == 0 || n > UINT32_MAX) return 0;
  m_position += static_cast<std::uint32_t>(n);
  return static_cast<std::uint32_t>(n);
}

std::uint32_t CBinaryWriterForUpdateSize::WriteRaw(const void*, std::uint32_t n) { return Count(n); }
std::uint32_t CBinaryWriterForUpdateSize::Write(double) { return Count(8); }
std::uint32_t CBinaryWriterForUpdateSize::Write(float) { return Count(4); }
std::uint32_t CBinaryWriterForUpdateSize::Write(std::int64_t) { return Count(8); }
std::uint32_t CBinaryWriterForUpdateSize::Write(std::uint64_t) { return Count(8); }
std::uint32_t CBinaryWriterForUpdateSize::Write(std::int32_t) { return Count(4); }
std::uint32_t CBinaryWriterForUpdateSize::Write(std::uint32_t) { return Count(4); }
std::uint32_t CBinaryWriterForUpdateSize::Write(std::int16_t) { return Count(2); }
std::uint32_t CBinaryWriterForUpdateSize::Write(std::uint16_t) { return Count(2); }
std::uint32_t CBinaryWriterForUpdateSize::Write(std::int8_t) { return Count(1); }
std::uint32_t CBinaryWriterForUpdateSize::Write(std::uint8_t) { return Count(1); }
std::uint32_t CBinaryWriterForUpdateSize::WriteBitField(std::uint64_t, const BitFieldWidths&) { return Count(8); }
std::uint32_t CBinaryWriterForUpdateSize::WriteBitField(std::uint32_t, const BitFieldWidths&) { return Count(4); }
std::uint32_t CBinaryWriterForUpdateSize::WriteBitField(std::uint16_t, const BitFieldWidths&) { return Count(2); }
std::uint32_t CBinaryWriterForUpdateSize::WriteBitField(std::uint8_t, const BitFieldWidths&) { return Count(1); }
std::uint32_t CBinaryWriterForUpdateSize::WriteArray(const double*, std::uint32_t c) { return Count(8ull * c); }
std::uint32_t CBinaryWriterForUpdateSize::WriteArray(const float*, std::uint32_t c) { return Count(4ull * c); }
std::uint32_t CBinaryWriterForUpdateSize::WriteArray(const std::int64_t*, std::uint32_t c) { return Count(8ull * c); }
std::uint32_t CBinaryWriterForUpdateSize::WriteArray(const std::uint64_t*, std::uint32_t c) { return Count(8ull * c); }
std::uint32_t CBinaryWriterForUpdateSize::WriteArray(const std::int32_t*, std::uint32_t c) { return Count(4ull * c); }
std::uint32_t CBinaryWriterForUpdateSize::WriteArray(const std::uint32_t*, std::uint32_t c) { return Count(4ull * c); }
std::uint32_t CBinaryWriterForUpdateSize::WriteArray(const std::int16_t*, std::uint32_t c) { return Count(2ull * c); }
std::uint32_t CBinaryWriterForUpdateSize::WriteArray(const std::uint16_t*, std::uint32_t c) { return Count(2ull * c); }
std::uint32_t CBinaryWriterForUpdateSize::WriteArray(const std::int8_t*, std::uint32_t c) { return Count(c); }
std::uint32_t CBinaryWriterForUpdateSize::WriteArray(const std::uint8_t*, std::uint32_t c) { return Count(c); }

std::uint32_t CBinaryWriterForUpdateSize::WritePadding(std::uint32_t value, std::uint32_t alignment) {
  const std::uint32_t p = GetPaddingSize(value, alignment);
  Count(p);
  return p;
}

// ---- CBinaryReaderFromMemory ----

CBinaryReaderFromMemory::CBinaryReaderFromMemory(const void* buffer, std::uint32_t size)
    : m_buffer(static_cast<const std::uint8_t*>(buffer)), m_size(size) {}

std::uint32_t CBinaryReaderFromMemory::GetBufferSize() const { return m_size; }

bool CBinaryReaderFromMemory::Available(std::uint64_t n) const {
  return m_buffer != nullptr && m_position < m_size && std::uint64_t{m_position} + n <= m_size;
}

template <typename T>
std::uint32_t CBinaryReaderFromMemory::GetValue(T& v) {
  if (!Available(sizeof(T))) return 0;
  v = FromBits<T>(static_cast<Bits<T>>(LoadBits(m_buffer + m_position, sizeof(T), m_bigEndian)));
  m_position += sizeof(T);
  return sizeof(T);
}

// Element by element: an element that is no longer inside the buffer is left
// as it was and adds nothing to the count.
template <typename T>
std::uint32_t CBinaryReaderFromMemory::GetArray(T* dst, std::uint32_t count) {
  if (count == 0 || dst == nullptr || !Available(sizeof(T))) return 0;
  std::uint32_t total = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t n = GetValue(dst[i]);
    if (n == 0) break;
    total += n;
  }
  return total;
}

template <typename T>
std::uint32_t CBinaryReaderFromMemory::GetBitField(T& v, const BitFieldWidths& widths) {
  T raw;
  const std::uint32_t n = GetValue(raw);
  if (n == 0) return 0;
  v = m_bigEndian ? static_cast<T>(FieldsFromBigEndianLayout(raw, sizeof(T) * 8, widths)) : raw;
  return n;
}

std::uint32_t CBinaryReaderFromMemory::ReadRaw(void* dst, std::uint32_t n) {
  if (n == 0 || dst == nullptr || !Available(n)) return 0;
  CopyRaw(static_cast<std::uint8_t*>(dst), m_buffer + m_position, n, m_bigEndian);
  m_position += n;
  return n;
}

std::uint32_t CBinaryReaderFromMemory::Read(double& v) { return GetValue(v); }
std::uint32_t CBinaryReaderFromMemory::Read(float& v) { return GetValue(v); }
std::uint32_t CBinaryReaderFromMemory::Read(std::int64_t& v) { return GetValue(v); }
std::uint32_t CBinaryReaderFromMemory::Read(std::uint64_t& v) { return GetValue(v); }
std::uint32_t CBinaryReaderFromMemory::Read(std::int32_t& v) { return GetValue(v); }
std::uint32_t CBinaryReaderFromMemory::Read(std::uint32_t& v) { return GetValue(v); }
std::uint32_t CBinaryReaderFromMemory::Read(std::int16_t& v) { return GetValue(v); }
std::uint32_t CBinaryReaderFromMemory::Read(std::uint16_t& v) { return GetValue(v); }
std::uint32_t CBinaryReaderFromMemory::Read(std::int8_t& v) { return GetValue(v); }
std::uint32_t CBinaryReaderFromMemory::Read(std::uint8_t& v) { return GetValue(v); }
std::uint32_t CBinaryReaderFromMemory::ReadBitField(std::uint64_t& v, const BitFieldWidths& w) { return GetBitField(v, w); }
std::uint32_t CBinaryReaderFromMemory::ReadBitField(std::uint32_t& v, const BitFieldWidths& w) { return GetBitField(v, w); }
std::uint32_t CBinaryReaderFromMemory::ReadBitField(std::uint16_t& v, const BitFieldWidths& w) { return GetBitField(v, w); }
std::uint32_t CBinaryReaderFromMemory::ReadBitField(std::uint8_t& v, const BitFieldWidths& w) { return GetBitField(v, w); }
std::uint32_t CBinaryReaderFromMemory::ReadArray(double* d, std::uint32_t c) { return GetArray(d, c); }
std::uint32_t CBinaryReaderFromMemory::ReadArray(float* d, std::uint32_t c) { return GetArray(d, c); }
std::uint32_t CBinaryReaderFromMemory::ReadArray(std::int64_t* d, std::uint32_t c) { return GetArray(d, c); }
std::uint32_t CBinaryReaderFromMemory::ReadArray(std::uint64_t* d, std::uint32_t c) { return GetArray(d, c); }
std::uint32_t CBinaryReaderFromMemory::ReadArray(std::int32_t* d, std::uint32_t c) { return GetArray(d, c); }
std::uint32_t CBinaryReaderFromMemory::ReadArray(std::uint32_t* d, std::uint32_t c) { return GetArray(d, c); }
std::uint32_t CBinaryReaderFromMemory::ReadArray(std::int16_t* d, std::uint32_t c) { return GetArray(d, c); }
std::uint32_t CBinaryReaderFromMemory::ReadArray(std::uint16_t* d, std::uint32_t c) { return GetArray(d, c); }
std::uint32_t CBinaryReaderFromMemory::ReadArray(std::int8_t* d, std::uint32_t c) { return GetArray(d, c); }

// Bytes need no reordering: copy the part that lies inside the buffer.
std::uint32_t CBinaryReaderFromMemory::ReadArray(std::uint8_t* d, std::uint32_t c) {
  if (c == 0 || d == nullptr || m_buffer == nullptr || m_position >= m_size) return 0;
  const std::uint32_t n = std::min(c, m_size - m_position);
  std::memcpy(d, m_buffer + m_position, n);
  m_position += n;
  return n;
}

}  // namespace zfx
