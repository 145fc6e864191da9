#include "zfx/BinaryStream.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>
#include <typeinfo>
#include <vector>

namespace zfx {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(BinaryStream, NewStreamsStartAtZeroLittleEndian) {
  std::uint8_t buf[4] = {};
  CBinaryWriterToMemory w(buf, 4);
  CBinaryReaderFromMemory r(buf, 4);
  CBinaryWriterForUpdateSize c;
  for (CBinFileIO* s : std::initializer_list<CBinFileIO*>{&w, &r, &c}) {
    EXPECT_FALSE(s->IsBigEndian());
    EXPECT_EQ(s->GetPosition(), 0u);
    EXPECT_EQ(s->GetPositionFromOrigin(), 0u);
  }
  EXPECT_EQ(w.GetBufferSize(), 4u);
  EXPECT_EQ(r.GetBufferSize(), 4u);
  EXPECT_EQ(c.GetBufferSize(), 0u);
}

TEST(BinaryStream, PositionOriginAndSkip) {
  std::uint8_t buf[64] = {};
  CBinaryReaderFromMemory r(buf, sizeof buf);
  r.SetPosition(10);
  r.SetOrigin(r.GetPosition());
  EXPECT_EQ(r.Skip(5), 5u);
  EXPECT_EQ(r.GetPosition(), 15u);
  EXPECT_EQ(r.GetPositionFromOrigin(), 5u);
  EXPECT_EQ(r.SetPositionFromOrigin(20), 30u);
  EXPECT_EQ(r.GetPosition(), 30u);
}

TEST(BinaryStream, PaddingSize) {
  CBinaryWriterForUpdateSize c;
  struct Case { std::uint32_t value, alignment, expected; };
  for (const Case& k : {Case{10, 8, 6}, Case{16, 8, 0}, Case{5, 0, 0}, Case{0, 16, 0},
                        Case{1, 16, 15}, Case{0xFFFFFFFFu, 0x80000000u, 1}}) {
    EXPECT_EQ(c.GetPaddingSize(k.value, k.alignment), k.expected) << k.value << " " << k.alignment;
  }
}

// Each typed value with both byte orders: the stored bytes are checked
// against a layout written out by hand, and the value must read back.
TEST(BinaryStream, TypedValuesInBothByteOrders) {
  for (bool big : {false, true}) {
    std::uint8_t buf[64];
    std::memset(buf, 0xEE, sizeof buf);
    CBinaryWriterToMemory w(buf, sizeof buf);
    w.SetBigEndian(big);
    EXPECT_EQ(w.Write(std::uint32_t{0x11223344}), 4u);
    EXPECT_EQ(w.Write(std::int16_t{-2}), 2u);
    EXPECT_EQ(w.Write(std::uint64_t{0x0102030405060708ull}), 8u);
    EXPECT_EQ(w.Write(std::uint8_t{0x9A}), 1u);
    EXPECT_EQ(w.Write(1.0f), 4u);
    EXPECT_EQ(w.Write(-2.5), 8u);
    EXPECT_EQ(w.Write(std::int64_t{-3}), 8u);
    EXPECT_EQ(w.Write(std::int32_t{-4}), 4u);
    EXPECT_EQ(w.Write(std::uint16_t{0xBEEF}), 2u);
    EXPECT_EQ(w.Write(std::int8_t{-5}), 1u);
    ASSERT_EQ(w.GetPosition(), 42u);

    const Bytes le = {0x44, 0x33, 0x22, 0x11, 0xFE, 0xFF, 8, 7, 6, 5, 4, 3, 2, 1, 0x9A,
                      0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0, 0, 0, 0x04, 0xC0,
                      0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                      0xFC, 0xFF, 0xFF, 0xFF, 0xEF, 0xBE, 0xFB};
    const Bytes be = {0x11, 0x22, 0x33, 0x44, 0xFF, 0xFE, 1, 2, 3, 4, 5, 6, 7, 8, 0x9A,
                      0x3F, 0x80, 0x00, 0x00, 0xC0, 0x04, 0, 0, 0, 0, 0, 0,
                      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFD,
                      0xFF, 0xFF, 0xFF, 0xFC, 0xBE, 0xEF, 0xFB};
    EXPECT_EQ(Bytes(buf, buf + 42), big ? be : le) << "big=" << big;
    EXPECT_EQ(buf[42], 0xEE);

    CBinaryReaderFromMemory r(buf, 42);
    r.SetBigEndian(big);
    std::uint32_t u32 = 0; std::int16_t i16 = 0; std::uint64_t u64 = 0; std::uint8_t u8 = 0;
    float f = 0; double d = 0; std::int64_t i64 = 0; std::int32_t i32 = 0;
    std::uint16_t u16 = 0; std::int8_t i8 = 0;
    EXPECT_EQ(r.Read(u32), 4u);
    EXPECT_EQ(r.Read(i16), 2u);
    EXPECT_EQ(r.Read(u64), 8u);
    EXPECT_EQ(r.Read(u8), 1u);
    EXPECT_EQ(r.Read(f), 4u);
    EXPECT_EQ(r.Read(d), 8u);
    EXPECT_EQ(r.Read(i64), 8u);
    EXPECT_EQ(r.Read(i32), 4u);
    EXPECT_EQ(r.Read(u16), 2u);
    EXPECT_EQ(r.Read(i8), 1u);
    EXPECT_EQ(u32, 0x11223344u);
    EXPECT_EQ(i16, -2);
    EXPECT_EQ(u64, 0x0102030405060708ull);
    EXPECT_EQ(u8, 0x9A);
    EXPECT_EQ(f, 1.0f);
    EXPECT_EQ(d, -2.5);
    EXPECT_EQ(i64, -3);
    EXPECT_EQ(i32, -4);
    EXPECT_EQ(u16, 0xBEEF);
    EXPECT_EQ(i8, -5);
    EXPECT_EQ(r.GetPosition(), 42u);
  }
}

TEST(BinaryStream, WriterRefusesValueThatDoesNotFit) {
  std::uint8_t buf[8];
  std::memset(buf, 0xEE, sizeof buf);
  CBinaryWriterToMemory w(buf, 7);
  ASSERT_EQ(w.Write(std::uint32_t{1}), 4u);
  // Three bytes left: every wider value is refused and nothing changes.
  EXPECT_EQ(w.Write(std::uint32_t{0xAABBCCDD}), 0u);
  EXPECT_EQ(w.Write(1.0), 0u);
  EXPECT_EQ(w.WriteBitField(std::uint32_t{5}, {32}), 0u);
  const std::uint32_t arr[1] = {7};
  EXPECT_EQ(w.WriteArray(arr, 1), 0u);
  EXPECT_EQ(w.GetPosition(), 4u);
  EXPECT_EQ(Bytes(buf + 4, buf + 8), (Bytes{0xEE, 0xEE, 0xEE, 0xEE}));
  // Exactly enough room is allowed.
  CBinaryWriterToMemory w2(buf, 8);
  w2.SetPosition(4);
  EXPECT_EQ(w2.Write(std::uint32_t{0}), 4u);
  EXPECT_EQ(w2.GetPosition(), 8u);
  EXPECT_EQ(w2.Write(std::uint8_t{0}), 0u);
}

TEST(BinaryStream, WriterRefusesPositionNearTheTopOfTheRange) {
  std::uint8_t buf[8] = {};
  CBinaryWriterToMemory w(buf, 8);
  w.SetPosition(0xFFFFFFFEu);
  EXPECT_EQ(w.Write(std::uint32_t{1}), 0u);
  EXPECT_EQ(w.WriteRaw(buf, 4), 0u);
  EXPECT_EQ(w.WriteArray(buf, 4), 0u);
  EXPECT_EQ(w.GetPosition(), 0xFFFFFFFEu);
}

TEST(BinaryStream, RawValueNeedsOneSpareByte) {
  std::uint8_t buf[8] = {};
  const std::uint8_t src[4] = {1, 2, 3, 4};
  CBinaryWriterToMemory w(buf, 8);
  w.SetPosition(4);
  EXPECT_EQ(w.WriteRaw(src, 4), 0u);
  EXPECT_EQ(w.GetPosition(), 4u);
  w.SetPosition(3);
  EXPECT_EQ(w.WriteRaw(src, 4), 4u);
  EXPECT_EQ(Bytes(buf + 3, buf + 7), (Bytes{1, 2, 3, 4}));
  w.SetPosition(0);
  w.SetBigEndian(true);
  EXPECT_EQ(w.WriteRaw(src, 3), 3u);
  EXPECT_EQ(Bytes(buf, buf + 3), (Bytes{3, 2, 1}));

  CBinaryReaderFromMemory r(buf, 8);
  r.SetBigEndian(true);
  std::uint8_t back[3] = {};
  EXPECT_EQ(r.ReadRaw(back, 3), 3u);
  EXPECT_EQ(Bytes(back, back + 3), (Bytes{1, 2, 3}));
  r.SetPosition(6);
  EXPECT_EQ(r.ReadRaw(back, 3), 0u) << "a raw read past the end is refused";
  EXPECT_EQ(r.GetPosition(), 6u);
}

TEST(BinaryStream, BitFields) {
  struct Case { bool big; std::uint8_t value; BitFieldWidths widths; std::uint8_t stored; };
  for (const Case& k : {Case{false, 0xAB, {4, 4}, 0xAB}, Case{true, 0xAB, {4, 4}, 0xBA},
                        Case{true, 0xAB, {8}, 0xAB},
                        // Fields 1, 3, 4 bits (values 1, 5, 0xA) move to the top.
                        Case{true, 0xAB, {1, 3, 4}, 0xDA}}) {
    std::uint8_t buf[1] = {};
    CBinaryWriterToMemory w(buf, 1);
    w.SetBigEndian(k.big);
    ASSERT_EQ(w.WriteBitField(k.value, k.widths), 1u);
    EXPECT_EQ(buf[0], k.stored) << std::hex << int(k.value);
    CBinaryReaderFromMemory r(buf, 1);
    r.SetBigEndian(k.big);
    std::uint8_t back = 0;
    ASSERT_EQ(r.ReadBitField(back, k.widths), 1u);
    EXPECT_EQ(back, k.value);
  }
}

TEST(BinaryStream, WideBitFieldsRoundTrip) {
  // A 32-bit value of fields 8, 8, 4, 4, 8 bits (least significant first).
  const BitFieldWidths widths = {8, 8, 4, 4, 8};
  std::uint8_t buf[16] = {};
  CBinaryWriterToMemory w(buf, sizeof buf);
  w.SetBigEndian(true);
  ASSERT_EQ(w.WriteBitField(std::uint32_t{0x12345678}, widths), 4u);
  // Reversed field order: 0x78, 0x56, 4, 3, 0x12 from the top down.
  EXPECT_EQ(Bytes(buf, buf + 4), (Bytes{0x78, 0x56, 0x43, 0x12}));
  ASSERT_EQ(w.WriteBitField(std::uint64_t{0x8000000000000001ull}, {1, 62, 1}), 8u);
  ASSERT_EQ(w.WriteBitField(std::uint16_t{0x00F1}, {4, 12}), 2u);
  // Widths that add up to more than the value are cut, never shifted out of range.
  ASSERT_EQ(w.WriteBitField(std::uint16_t{0xFFFF}, {12, 12}), 2u);

  CBinaryReaderFromMemory r(buf, sizeof buf);
  r.SetBigEndian(true);
  std::uint32_t v32 = 0; std::uint64_t v64 = 0; std::uint16_t v16 = 0;
  EXPECT_EQ(r.ReadBitField(v32, widths), 4u);
  EXPECT_EQ(v32, 0x12345678u);
  EXPECT_EQ(r.ReadBitField(v64, {1, 62, 1}), 8u);
  EXPECT_EQ(v64, 0x8000000000000001ull);
  EXPECT_EQ(r.ReadBitField(v16, {4, 12}), 2u);
  EXPECT_EQ(v16, 0x00F1);
}

TEST(BinaryStream, Arrays) {
  for (bool big : {false, true}) {
    std::uint8_t buf[32] = {};
    CBinaryWriterToMemory w(buf, sizeof buf);
    w.SetBigEndian(big);
    const std::uint16_t halves[3] = {0x0102, 0x0304, 0x0506};
    const std::int8_t bytes[3] = {-1, 2, -3};
    EXPECT_EQ(w.WriteArray(halves, 3), 6u);
    EXPECT_EQ(w.WriteArray(bytes, 3), 3u);
    const Bytes expectHalves = big ? Bytes{1, 2, 3, 4, 5, 6} : Bytes{2, 1, 4, 3, 6, 5};
    EXPECT_EQ(Bytes(buf, buf + 6), expectHalves);
    EXPECT_EQ(Bytes(buf + 6, buf + 9), (Bytes{0xFF, 2, 0xFD})) << "bytes are never reordered";
    // The whole array must fit, or nothing is written.
    const std::uint32_t words[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(w.WriteArray(words, 6), 0u);
    EXPECT_EQ(w.GetPosition(), 9u);
    EXPECT_EQ(w.WriteArray(words, 5), 20u);
    EXPECT_EQ(w.WriteArray(words, 0), 0u);

    CBinaryReaderFromMemory r(buf, 29);
    r.SetBigEndian(big);
    std::uint16_t h[3] = {}; std::int8_t b[3] = {}; std::uint32_t u[5] = {};
    EXPECT_EQ(r.ReadArray(h, 3), 6u);
    EXPECT_EQ(r.ReadArray(b, 3), 3u);
    EXPECT_EQ(r.ReadArray(u, 5), 20u);
    EXPECT_EQ(h[2], 0x0506);
    EXPECT_EQ(b[0], -1);
    EXPECT_EQ(u[4], 5u);
  }
}

TEST(BinaryStream, ArrayReadStopsAtTheEnd) {
  const std::uint8_t buf[10] = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0};
  CBinaryReaderFromMemory r(buf, 10);
  std::uint32_t words[4] = {9, 9, 9, 9};
  // Two whole words and a half: the partial element is left as it was.
  r.SetPosition(0);
  EXPECT_EQ(r.ReadArray(words, 4), 8u);
  EXPECT_EQ(words[0], 0x00020001u);
  EXPECT_EQ(words[1], 0x00040003u);
  EXPECT_EQ(words[2], 9u);
  EXPECT_EQ(words[3], 9u);
  EXPECT_EQ(r.GetPosition(), 8u);

  std::uint8_t bytes[4] = {9, 9, 9, 9};
  EXPECT_EQ(r.ReadArray(bytes, 4), 2u);
  EXPECT_EQ(Bytes(bytes, bytes + 4), (Bytes{5, 0, 9, 9}));
}

TEST(BinaryStream, EveryReadAtTheEndReturnsZero) {
  const std::uint8_t buf[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  CBinaryReaderFromMemory r(buf, 8);
  r.SetPosition(8);
  double d = 0; float f = 0; std::int64_t i64 = 0; std::uint64_t u64 = 0;
  std::int32_t i32 = 0; std::uint32_t u32 = 0; std::int16_t i16 = 0; std::uint16_t u16 = 0;
  std::int8_t i8 = 0; std::uint8_t u8 = 0;
  EXPECT_EQ(r.Read(d) + r.Read(f) + r.Read(i64) + r.Read(u64) + r.Read(i32) + r.Read(u32) +
                r.Read(i16) + r.Read(u16) + r.Read(i8) + r.Read(u8),
            0u);
  EXPECT_EQ(r.ReadBitField(u64, {64}) + r.ReadBitField(u32, {32}) + r.ReadBitField(u16, {16}) +
                r.ReadBitField(u8, {8}),
            0u);
  EXPECT_EQ(r.ReadArray(&d, 1) + r.ReadArray(&f, 1) + r.ReadArray(&i64, 1) + r.ReadArray(&u64, 1) +
                r.ReadArray(&i32, 1) + r.ReadArray(&u32, 1) + r.ReadArray(&i16, 1) +
                r.ReadArray(&u16, 1) + r.ReadArray(&i8, 1) + r.ReadArray(&u8, 1),
            0u);
  EXPECT_EQ(r.ReadRaw(&u8, 1), 0u);
  EXPECT_EQ(r.GetPosition(), 8u);
  EXPECT_EQ(u8, 0u);
  // Part of a value left: refused as well, so nothing outside the buffer is read.
  r.SetPosition(6);
  EXPECT_EQ(r.Read(u32), 0u);
  EXPECT_EQ(r.GetPosition(), 6u);
  EXPECT_EQ(r.Read(u16), 2u);
}

TEST(BinaryStream, Padding) {
  std::uint8_t buf[16];
  std::memset(buf, 0xEE, sizeof buf);
  CBinaryWriterToMemory w(buf, sizeof buf);
  w.SetPosition(2);
  EXPECT_EQ(w.WritePadding(10, 8), 6u);
  EXPECT_EQ(w.GetPosition(), 8u);
  EXPECT_EQ(Bytes(buf + 2, buf + 8), Bytes(6, 0));
  EXPECT_EQ(w.WritePadding(16, 8), 0u);
  EXPECT_EQ(w.WritePadding(5, 0), 0u);
  // Padding that does not fit still answers its size but writes nothing.
  EXPECT_EQ(w.WritePadding(1, 0x80000000u), 0x7FFFFFFFu);
  EXPECT_EQ(w.GetPosition(), 8u);
  EXPECT_EQ(buf[8], 0xEE);

  CBinaryReaderFromMemory r(buf, sizeof buf);
  r.SetPosition(3);
  EXPECT_EQ(r.SkipPadding(3, 4), 1u);
  EXPECT_EQ(r.GetPosition(), 4u);
  EXPECT_EQ(r.SkipPadding(4, 4), 0u);
}

// The same routine drives both writers; the counting pass must predict the
// size the real pass produces, whatever the byte order.
template <typename Writer>
void WriteSample(Writer& w) {
  const std::uint32_t table[3] = {1, 2, 3};
  const std::uint8_t raw[5] = {1, 2, 3, 4, 5};
  w.Write(std::uint32_t{0x47315447});
  w.Write(std::uint16_t{7});
  w.WriteBitField(std::uint8_t{0x12}, {4, 4});
  w.WritePadding(w.GetPosition(), 8);
  w.WriteArray(table, 3);
  w.WriteRaw(raw, 5);
  w.Write(2.0);
  w.WritePadding(w.GetPosition(), 16);
}

TEST(BinaryStream, CountingWriterPredictsTheMemoryWriter) {
  for (bool big : {false, true}) {
    CBinaryWriterForUpdateSize counter;
    counter.SetBigEndian(big);
    WriteSample(counter);
    std::vector<std::uint8_t> buf(counter.GetPosition() + 1);
    CBinaryWriterToMemory w(buf.data(), static_cast<std::uint32_t>(buf.size()));
    w.SetBigEndian(big);
    WriteSample(w);
    EXPECT_EQ(counter.GetPosition(), 48u);
    EXPECT_EQ(w.GetPosition(), counter.GetPosition());
  }
}

TEST(BinaryStream, CountingWriterCountsWhateverTheArguments) {
  CBinaryWriterForUpdateSize c;
  EXPECT_EQ(c.Write(std::uint64_t{0}), 8u);
  EXPECT_EQ(c.Write(std::int64_t{-1}), 8u);
  EXPECT_EQ(c.WriteArray(static_cast<const std::uint32_t*>(nullptr), 100), 400u);
  EXPECT_EQ(c.WriteRaw(nullptr, 3), 3u);
  EXPECT_EQ(c.WriteBitField(std::uint16_t{1}, {}), 2u);
  EXPECT_EQ(c.GetPosition(), 421u);
  EXPECT_EQ(c.WriteArray(static_cast<const double*>(nullptr), 0x40000000u), 0u)
      << "a count beyond 32 bits is refused, not wrapped";
  EXPECT_EQ(c.GetPosition(), 421u);
}

// A container routine tells the counting pass from the real one by the
// writer's exact dynamic type.
TEST(BinaryStream, CountingPassIsRecognisedByItsType) {
  std::uint8_t buf[4];
  CBinaryWriterForUpdateSize counter;
  CBinaryWriterToMemory memory(buf, 4);
  const CBinaryWriterBase& a = counter;
  const CBinaryWriterBase& b = memory;
  EXPECT_TRUE(typeid(a) == typeid(CBinaryWriterForUpdateSize));
  EXPECT_FALSE(typeid(b) == typeid(CBinaryWriterForUpdateSize));
}

TEST(BinaryStream, NullBufferMovesNothing) {
  CBinaryWriterToMemory w(nullptr, 16);
  CBinaryReaderFromMemory r(nullptr, 16);
  std::uint32_t v = 0;
  EXPECT_EQ(w.Write(v), 0u);
  EXPECT_EQ(w.WritePadding(1, 4), 3u);
  EXPECT_EQ(r.Read(v), 0u);
  EXPECT_EQ(w.GetPosition() + r.GetPosition(), 0u);
}

}  // namespace
}  // namespace zfx
