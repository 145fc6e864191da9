// Binary streams over a caller's memory buffer, in either byte order.
//
// One reader, one writer and one writer that only counts bytes.  A container
// is written twice with the same routine: first through the counting writer
// (which learns sizes and offsets; a routine recognises that pass by the
// writer's exact dynamic type), then through the memory writer.  Readers and
// writers declare corresponding operations in the same virtual slots, so a
// routine written against that layout serializes in both directions.
//
// Streams never own their buffer and never throw.  Every data operation
// returns the number of bytes it moved; 0 means nothing was moved and the
// position did not change.
#pragma once

#include <cstdint>
#include <vector>

#include "zfx/NonCopyable.h"

namespace zfx {

// Widths in bits of the fields of a packed value, least significant first.
using BitFieldWidths = std::vector<unsigned>;

// Position, origin and byte order shared by every stream.
class CBinFileIO : public CNonCopyable {
 public:
  ~CBinFileIO() override = default;

  virtual void SetPosition(std::uint32_t pos);
  // Moves the position by n without any check; returns n.
  virtual std::uint32_t Skip(std::uint32_t n);
  virtual std::uint32_t GetPosition() const;
  // position = origin + n; returns the new position.
  virtual std::uint32_t SetPositionFromOrigin(std::uint32_t n);
  virtual std::uint32_t GetPositionFromOrigin() const;
  // Bytes needed to bring value up to a multiple of alignment (0 when
  // alignment is 0 or value is already aligned).  Uses no stream state.
  virtual std::uint32_t GetPaddingSize(std::uint32_t value, std::uint32_t alignment) const;
  // Valid bytes (reader) or capacity (writer); 0 for the counting writer.
  virtual std::uint32_t GetBufferSize() const = 0;

  bool IsBigEndian() const { return m_bigEndian; }
  void SetBigEndian(bool bigEndian) { m_bigEndian = bigEndian; }
  std::uint32_t GetOrigin() const { return m_origin; }
  void SetOrigin(std::uint32_t origin) { m_origin = origin; }

 protected:
  CBinFileIO() = default;

  bool m_bigEndian = false;
  std::uint32_t m_position = 0;
  std::uint32_t m_origin = 0;
};

class CBinaryWriterBase : public CBinFileIO {
 public:
  ~CBinaryWriterBase() override = default;

  // n bytes as one value: reversed when the stream is big-endian.
  virtual std::uint32_t WriteRaw(const void* src, std::uint32_t n) = 0;
  virtual std::uint32_t Write(double v) = 0;
  virtual std::uint32_t Write(float v) = 0;
  virtual std::uint32_t Write(std::int64_t v) = 0;
  virtual std::uint32_t Write(std::uint64_t v) = 0;
  virtual std::uint32_t Write(std::int32_t v) = 0;
  virtual std::uint32_t Write(std::uint32_t v) = 0;
  virtual std::uint32_t Write(std::int16_t v) = 0;
  virtual std::uint32_t Write(std::uint16_t v) = 0;
  virtual std::uint32_t Write(std::int8_t v) = 0;
  virtual std::uint32_t Write(std::uint8_t v) = 0;
  virtual std::uint32_t WriteBitField(std::uint64_t v, const BitFieldWidths& widths) = 0;
  virtual std::uint32_t WriteBitField(std::uint32_t v, const BitFieldWidths& widths) = 0;
  virtual std::uint32_t WriteBitField(std::uint16_t v, const BitFieldWidths& widths) = 0;
  virtual std::uint32_t WriteBitField(std::uint8_t v, const BitFieldWidths& widths) = 0;
  virtual std::uint32_t WriteArray(const double* src, std::uint32_t count) = 0;
  virtual std::uint32_t WriteArray(const float* src, std::uint32_t count) = 0;
  virtual std::uint32_t WriteArray(const std::int64_t* src, std::uint32_t count) = 0;
  virtual std::uint32_t WriteArray(const std::uint64_t* src, std::uint32_t count) = 0;
  virtual std::uint32_t WriteArray(const std::int32_t* src, std::uint32_t count) = 0;
  virtual std::uint32_t WriteArray(const std::uint32_t* src, std::uint32_t count) = 0;
  virtual std::uint32_t WriteArray(const std::int16_t* src, std::uint32_t count) = 0;
  virtual std::uint32_t WriteArray(const std::uint16_t* src, std::uint32_t count) = 0;
  virtual std::uint32_t WriteArray(const std::int8_t* src, std::uint32_t count) = 0;
  virtual std::uint32_t WriteArray(const std::uint8_t* src, std::uint32_t count) = 0;
  // Zero bytes up to the next multiple of alignment after value; returns
  // the padding size even when the bytes did not fit.
  virtual std::uint32_t WritePadding(std::uint32_t value, std::uint32_t alignment);

 protected:
  CBinaryWriterBase() = default;
};

class CBinaryReaderBase : public CBinFileIO {
 public:
  ~CBinaryReaderBase() override = default;

  virtual std::uint32_t ReadRaw(void* dst, std::uint32_t n) = 0;
  virtual std::uint32_t Read(double& v) = 0;
  virtual std::uint32_t Read(float& v) = 0;
  virtual std::uint32_t Read(std::int64_t& v) = 0;
  virtual std::uint32_t Read(std::uint64_t& v) = 0;
  virtual std::uint32_t Read(std::int32_t& v) = 0;
  virtual std::uint32_t Read(std::uint32_t& v) = 0;
  virtual std::uint32_t Read(std::int16_t& v) = 0;
  virtual std::uint32_t Read(std::uint16_t& v) = 0;
  virtual std::uint32_t Read(std::int8_t& v) = 0;
  virtual std::uint32_t Read(std::uint8_t& v) = 0;
  virtual std::uint32_t ReadBitField(std::uint64_t& v, const BitFieldWidths& widths) = 0;
  virtual std::uint32_t ReadBitField(std::uint32_t& v, const BitFieldWidths& widths) = 0;
  virtual std::uint32_t ReadBitField(std::uint16_t& v, const BitFieldWidths& widths) = 0;
  virtual std::uint32_t ReadBitField(std::uint8_t& v, const BitFieldWidths& widths) = 0;
  virtual std::uint32_t ReadArray(double* dst, std::uint32_t count) = 0;
  virtual std::uint32_t ReadArray(float* dst, std::uint32_t count) = 0;
  virtual std::uint32_t ReadArray(std::int64_t* dst, std::uint32_t count) = 0;
  virtual std::uint32_t ReadArray(std::uint64_t* dst, std::uint32_t count) = 0;
  virtual std::uint32_t ReadArray(std::int32_t* dst, std::uint32_t count) = 0;
  virtual std::uint32_t ReadArray(std::uint32_t* dst, std::uint32_t count) = 0;
  virtual std::uint32_t ReadArray(std::int16_t* dst, std::uint32_t count) = 0;
  virtual std::uint32_t ReadArray(std::uint16_t* dst, std::uint32_t count) = 0;
  virtual std::uint32_t ReadArray(std::int8_t* dst, std::uint32_t count) = 0;
  virtual std::uint32_t ReadArray(std::uint8_t* dst, std::uint32_t count) = 0;
  // Skips GetPaddingSize(value, alignment) bytes and returns that count.
  virtual std::uint32_t SkipPadding(std::uint32_t value, std::uint32_t alignment);

 protected:
  CBinaryReaderBase() = default;
};

// Writes into a fixed-capacity buffer; a value that does not fit is refused
// whole and leaves buffer and position untouched.
class CBinaryWriterToMemory : public CBinaryWriterBase {
 public:
  CBinaryWriterToMemory(void* buffer, std::uint32_t capacity);
  ~CBinaryWriterToMemory() override = default;

  std::uint32_t GetBufferSize() const override;

  // Refused when position + n >= capacity: a raw value never takes the
  // buffer's last byte.
  std::uint32_t WriteRaw(const void* src, std::uint32_t n) override;
  std::uint32_t Write(double v) override;
  std::uint32_t Write(float v) override;
  std::uint32_t Write(std::int64_t v) override;
  std::uint32_t Write(std::uint64_t v) override;
  std::uint32_t Write(std::int32_t v) override;
  std::uint32_t Write(std::uint32_t v) override;
  std::uint32_t Write(std::int16_t v) override;
  std::uint32_t Write(std::uint16_t v) override;
  std::uint32_t Write(std::int8_t v) override;
  std::uint32_t Write(std::uint8_t v) override;
  std::uint32_t WriteBitField(std::uint64_t v, const BitFieldWidths& widths) override;
  std::uint32_t WriteBitField(std::uint32_t v, const BitFieldWidths& widths) override;
  std::uint32_t WriteBitField(std::uint16_t v, const BitFieldWidths& widths) override;
  std::uint32_t WriteBitField(std::uint8_t v, const BitFieldWidths& widths) override;
  std::uint32_t WriteArray(const double* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const float* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::int64_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::uint64_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::int32_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::uint32_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::int16_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::uint16_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::int8_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::uint8_t* src, std::uint32_t count) override;
  std::uint32_t WritePadding(std::uint32_t value, std::uint32_t alignment) override;

 private:
  template <typename T> std::uint32_t PutValue(T v);
  template <typename T> std::uint32_t PutArray(const T* src, std::uint32_t count);
  template <typename T> std::uint32_t PutBitField(T v, const BitFieldWidths& widths);
  bool Fits(std::uint64_t n) const;

  std::uint8_t* m_buffer;
  std::uint32_t m_size;
};

// Counts the bytes each write would produce and stores nothing.
class CBinaryWriterForUpdateSize : public CBinaryWriterBase {
 public:
  CBinaryWriterForUpdateSize() = default;
  ~CBinaryWriterForUpdateSize() override = default;

  std::uint32_t GetBufferSize() const override;

  std::uint32_t WriteRaw(const void* src, std::uint32_t n) override;
  std::uint32_t Write(double v) override;
  std::uint32_t Write(float v) override;
  std::uint32_t Write(std::int64_t v) override;
  std::uint32_t Write(std::uint64_t v) override;
  std::uint32_t Write(std::int32_t v) override;
  std::uint32_t Write(std::uint32_t v) override;
  std::uint32_t Write(std::int16_t v) override;
  std::uint32_t Write(std::uint16_t v) override;
  std::uint32_t Write(std::int8_t v) override;
  std::uint32_t Write(std::uint8_t v) override;
  std::uint32_t WriteBitField(std::uint64_t v, const BitFieldWidths& widths) override;
  std::uint32_t WriteBitField(std::uint32_t v, const BitFieldWidths& widths) override;
  std::uint32_t WriteBitField(std::uint16_t v, const BitFieldWidths& widths) override;
  std::uint32_t WriteBitField(std::uint8_t v, const BitFieldWidths& widths) override;
  std::uint32_t WriteArray(const double* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const float* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::int64_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::uint64_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::int32_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::uint32_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::int16_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::uint16_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::int8_t* src, std::uint32_t count) override;
  std::uint32_t WriteArray(const std::uint8_t* src, std::uint32_t count) override;
  std::uint32_t WritePadding(std::uint32_t value, std::uint32_t alignment) override;

 private:
  std::uint32_t Count(std::uint64_t n);
};

// Reads from a buffer of known size.  A value that would reach past the end
// is refused, so the reader never touches a byte outside the buffer.
class CBinaryReaderFromMemory : public CBinaryReaderBase {
 public:
  CBinaryReaderFromMemory(const void* buffer, std::uint32_t size);
  ~CBinaryReaderFromMemory() override = default;

  std::uint32_t GetBufferSize() const override;

  std::uint32_t ReadRaw(void* dst, std::uint32_t n) override;
  std::uint32_t Read(double& v) override;
  std::uint32_t Read(float& v) override;
  std::uint32_t Read(std::int64_t& v) override;
  std::uint32_t Read(std::uint64_t& v) override;
  std::uint32_t Read(std::int32_t& v) override;
  std::uint32_t Read(std::uint32_t& v) override;
  std::uint32_t Read(std::int16_t& v) override;
  std::uint32_t Read(std::uint16_t& v) override;
  std::uint32_t Read(std::int8_t& v) override;
  std::uint32_t Read(std::uint8_t& v) override;
  std::uint32_t ReadBitField(std::uint64_t& v, const BitFieldWidths& widths) override;
  std::uint32_t ReadBitField(std::uint32_t& v, const BitFieldWidths& widths) override;
  std::uint32_t ReadBitField(std::uint16_t& v, const BitFieldWidths& widths) override;
  std::uint32_t ReadBitField(std::uint8_t& v, const BitFieldWidths& widths) override;
  std::uint32_t ReadArray(double* dst, std::uint32_t count) override;
  std::uint32_t ReadArray(float* dst, std::uint32_t count) override;
  std::uint32_t ReadArray(std::int64_t* dst, std::uint32_t count) override;
  std::uint32_t ReadArray(std::uint64_t* dst, std::uint32_t count) override;
  std::uint32_t ReadArray(std::int32_t* dst, std::uint32_t count) override;
  std::uint32_t ReadArray(std::uint32_t* dst, std::uint32_t count) override;
  std::uint32_t ReadArray(std::int16_t* dst, std::uint32_t count) override;
  std::uint32_t ReadArray(std::uint16_t* dst, std::uint32_t count) override;
  std::uint32_t ReadArray(std::int8_t* dst, std::uint32_t count) override;
  std::uint32_t ReadArray(std::uint8_t* dst, std::uint32_t count) override;

 private:
  template <typename T> std::uint32_t GetValue(T& v);
  template <typename T> std::uint32_t GetArray(T* dst, std::uint32_t count);
  template <typename T> std::uint32_t GetBitField(T& v, const BitFieldWidths& widths);
  bool Available(std::uint64_t n) const;

  const std::uint8_t* m_buffer;
  std::uint32_t m_size;
};

}  // namespace zfx
