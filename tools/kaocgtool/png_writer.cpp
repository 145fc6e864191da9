#include "tools/kaocgtool/png_writer.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <vector>

namespace kaocgtool {
namespace {

constexpr std::uint32_t kMaxPngSide = 0x7FFFFFFFu;
constexpr std::uint64_t kMaxChunkData = 0x7FFFFFFFu;
constexpr std::size_t kMaxStoredBlock = 65535;
// Header (2), stored-block headers (5 each) and Adler-32 (4) around the rows.
constexpr std::uint64_t kZlibHeader = 2, kStoredBlockHeader = 5, kZlibTrailer = 4;
// Signature, IHDR chunk and IEND chunk, plus IDAT's length, type and CRC.
constexpr std::uint64_t kFixedBytes = 8 + (12 + 13) + 12 + 12;

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> t{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[n] = c;
  }
  return t;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();
static_assert(kCrcTable[1] == 0x77073096u && kCrcTable[255] == 0x2D02EF8Du);

// Bytes of the raw rows (a filter byte before each) and of the zlib stream
// that stores them; both 0 when PNG cannot hold the picture.
struct PngLayout {
  std::uint64_t raw = 0;
  std::uint64_t zlib = 0;
};

PngLayout Layout(std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0 || width > kMaxPngSide || height > kMaxPngSide) return {};
  // Both sides are below 2^31, so neither product can overflow 64 bits.
  const std::uint64_t raw = std::uint64_t{height} * (1 + std::uint64_t{width} * 3);
  const std::uint64_t blocks = (raw + kMaxStoredBlock - 1) / kMaxStoredBlock;
  const std::uint64_t zlib = kZlibHeader + raw + blocks * kStoredBlockHeader + kZlibTrailer;
  if (zlib > kMaxChunkData) return {};
  return {raw, zlib};
}

void PutBe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

// Writes one chunk piece by piece, keeping the CRC of its type and data.
class ChunkWriter {
 public:
  ChunkWriter(std::ostream& out, const char (&type)[5], std::uint32_t length) : out_(out) {
    std::uint8_t head[8];
    PutBe32(head, length);
    std::copy_n(type, 4, head + 4);
    out_.write(reinterpret_cast<const char*>(head), 4);
    Put(head + 4, 4);
  }
  void Put(const std::uint8_t* data, std::size_t size) {
    crc_ = Crc32(data, size, crc_);
    out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  void End() {
    std::uint8_t tail[4];
    PutBe32(tail, crc_);
    out_.write(reinterpret_cast<const char*>(tail), 4);
  }

 private:
  std::ostream& out_;
  std::uint32_t crc_ = 0;
};

}  // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t Adler32(const std::uint8_t* data, std::size_t size, std::uint32_t adler) {
  constexpr std::uint32_t kBase = 65521;
  // The longest run whose sums cannot overflow 32 bits before reduction.
  constexpr std::size_t kRun = 5552;
  std::uint32_t a = adler & 0xFFFF, b = adler >> 16;
  while (size > 0) {
    const std::size_t n = std::min(size, kRun);
    for (std::size_t i = 0; i < n; ++i) {
      a += data[i];
      b += a;
    }
    a %= kBase;
    b %= kBase;
    data += n;
    size -= n;
  }
  return (b << 16) | a;
}

std::uint64_t PngRgbFileSize(std::uint32_t width, std::uint32_t height) {
  const PngLayout l = Layout(width, height);
  return l.zlib ? kFixedBytes + l.zlib : 0;
}

bool WritePngRgb(std::ostream& out, std::uint32_t width, std::uint32_t height, const PngRowSource& rows) {
  const PngLayout layout = Layout(width, height);
  if (layout.zlib == 0 || !rows) return false;

  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  out.write(reinterpret_cast<const char*>(kSignature), sizeof kSignature);

  std::uint8_t ihdr[13] = {};
  PutBe32(ihdr, width);
  PutBe32(ihdr + 4, height);
  ihdr[8] = 8;  // bits per channel
  ihdr[9] = 2;  // colour type: RGB
  // Compression 0 (deflate), filter method 0, no interlace.
  ChunkWriter header(out, "IHDR", sizeof ihdr);
  header.Put(ihdr, sizeof ihdr);
  header.End();

  ChunkWriter idat(out, "IDAT", static_cast<std::uint32_t>(layout.zlib));
  // Deflate with a 32 KiB window, the fastest level; 0x7801 is a multiple of 31.
  static constexpr std::uint8_t kZlibHead[2] = {0x78, 0x01};
  idat.Put(kZlibHead, 2);

  std::uint32_t adler = 1;
  std::uint64_t stored = 0;  // raw bytes already in emitted blocks
  std::vector<std::uint8_t> block;
  block.reserve(kMaxStoredBlock);
  auto emit = [&] {
    stored += block.size();
    const std::uint16_t len = static_cast<std::uint16_t>(block.size());
    const std::uint16_t nlen = static_cast<std::uint16_t>(~len);
    const std::uint8_t head[5] = {static_cast<std::uint8_t>(stored == layout.raw ? 1 : 0),  // BFINAL, BTYPE 00
                                  static_cast<std::uint8_t>(len), static_cast<std::uint8_t>(len >> 8),
                                  static_cast<std::uint8_t>(nlen), static_cast<std::uint8_t>(nlen >> 8)};
    idat.Put(head, sizeof head);
    idat.Put(block.data(), block.size());
    adler = Adler32(block.data(), block.size(), adler);
    block.clear();
  };

  // Filter type 0 (none) leads every row.
  std::vector<std::uint8_t> row(1 + std::size_t{width} * 3, 0);
  for (std::uint32_t y = 0; y < height && out; ++y) {
    row[0] = 0;
    rows(y, row.data() + 1);
    const std::uint8_t* p = row.data();
    std::size_t left = row.size();
    while (left > 0) {
      const std::size_t n = std::min(left, kMaxStoredBlock - block.size());
      block.insert(block.end(), p, p + n);
      p += n;
      left -= n;
      if (block.size() == kMaxStoredBlock) emit();
    }
  }
  if (!block.empty()) emit();
  if (!out || stored != layout.raw) return false;

  std::uint8_t trailer[4];
  PutBe32(trailer, adler);
  idat.Put(trailer, 4);
  idat.End();

  ChunkWriter end(out, "IEND", 0);
  end.End();
  return static_cast<bool>(out.flush());
}

}  // namespace kaocgtool
