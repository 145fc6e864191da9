#include "import/DIB.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <fstream>
#include <istream>
#include <new>
#include <ostream>

#include "import/Sprite.h"

namespace {

using dib::kInfoHeaderSize;

bool IsValidBitCount(int bitCount) {
  switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32:
      return true;
    default:
      return false;
  }
}

// A copy of a header with its colour table, in storage that InfoDeleter
// frees; null when memory runs out.
BITMAPINFOHEADER* CloneInfo(const BITMAPINFOHEADER* info, std::size_t infoBytes) {
  void* raw = ::operator new(infoBytes, std::nothrow);
  if (raw) std::memcpy(raw, info, infoBytes);
  return static_cast<BITMAPINFOHEADER*>(raw);
}

// 16-bit pixels: red in bits 10-14, green 5-9, blue 0-4.
std::uint16_t Pack555(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return static_cast<std::uint16_t>(((red & 0xF8) << 7) | ((green & 0xF8) << 2) | (blue >> 3));
}

std::uint16_t ReadWord(const std::uint8_t* p) { return dib::Le16(p); }
void WriteWord(std::uint8_t* p, std::uint16_t v) { dib::PutLe16(p, v); }

// Pixel array allocation, zeroed; null past the cap or when memory runs out.
std::uint8_t* AllocPixels(std::uint64_t bytes) {
  if (bytes > dib::kMaxPictureBytes) return nullptr;
  return new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes ? bytes : 1)]();
}

// Stream size from the current position to the end; -1 when the stream
// cannot tell. The position is left where it was.
std::int64_t RemainingBytes(std::istream& file) {
  const std::streampos here = file.tellg();
  if (here == std::streampos(-1)) return -1;
  file.seekg(0, std::ios::end);
  const std::streampos end = file.tellg();
  file.seekg(here);
  if (end == std::streampos(-1) || !file) return -1;
  return static_cast<std::int64_t>(end - here);
}

bool ReadExact(std::istream& file, void* dst, std::size_t n) {
  file.read(static_cast<char*>(dst), static_cast<std::streamsize>(n));
  return file.good() || (file.eof() && static_cast<std::size_t>(file.gcount()) == n);
}

}  // namespace

void CDIB::InfoDeleter::operator()(BITMAPINFOHEADER* p) const { ::operator delete(p); }

CDIB::CDIB() = default;

CDIB::~CDIB() { ReleaseBits(); }

void CDIB::ReleaseBits() {
  if (ownBits_) delete[] bits_;
  bits_ = nullptr;
  ownBits_ = 0;
}

std::unique_ptr<CDIB> CDIB::CreateObject(const char* className) {
  if (!className) return nullptr;
  if (std::strcmp(className, "CDIB") == 0) return std::make_unique<CDIB>();
  if (std::strcmp(className, "CSprite") == 0) return std::make_unique<CSprite>();
  if (std::strcmp(className, "CPhasedSprite") == 0) return std::make_unique<CPhasedSprite>();
  return nullptr;
}

bool CDIB::Serialize(std::iostream& archive, bool loading) {
  archive.flush();
  return loading ? Load(archive) : Save(archive);
}

bool CDIB::AllocInfo(int width, int height, std::size_t infoBytes) {
  if (infoBytes < kInfoHeaderSize || height == INT_MIN) return false;
  void* raw = ::operator new(infoBytes, std::nothrow);
  if (!raw) return false;
  std::memset(raw, 0, infoBytes);
  std::unique_ptr<BITMAPINFOHEADER, InfoDeleter> info(static_cast<BITMAPINFOHEADER*>(raw));
  info->biSize = kInfoHeaderSize;
  info->biWidth = width;
  info->biHeight = height < 0 ? -height : height;
  info->biPlanes = 1;
  info->biBitCount = 8;
  topDown_ = height < 0 ? 1 : 0;
  info_ = std::move(info);
  infoBytes_ = infoBytes;
  return true;
}

bool CDIB::Create(int width, int height, void* bits, int bitCount) {
  if (!IsValidBitCount(bitCount) || width < 0 || height == INT_MIN) return false;
  const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
  const std::uint64_t size = dib::StrideOf(width, bitCount) * rows;
  if (size > dib::kMaxPictureBytes) return false;
  std::uint8_t* pixels = static_cast<std::uint8_t*>(bits);
  if (!bits) {
    pixels = AllocPixels(size);
    if (!pixels) return false;
  }
  const std::size_t infoBytes = kInfoHeaderSize + (bitCount <= 8 ? std::size_t{4} << bitCount : 0);
  // The picture's orientation is the opposite of AllocInfo's sign rule.
  if (!AllocInfo(width, -height, infoBytes)) {
    if (!bits) delete[] pixels;
    return false;
  }
  info_->biBitCount = static_cast<std::uint16_t>(bitCount);
  ReleaseBits();
  bits_ = pixels;
  ownBits_ = bits ? 0 : 1;
  OnBitsChanged();
  return true;
}

bool CDIB::CreateFromInfo(const BITMAPINFOHEADER* src, const void* bits, bool copy) {
  if (!src || src->biSize != kInfoHeaderSize || !IsValidBitCount(src->biBitCount) ||
      src->biCompression != dib::kBiRgb || src->biWidth < 0 || src->biHeight == INT_MIN)
    return false;
  const std::uint32_t colors = dib::ColorCountOf(*src);
  const std::uint64_t rows = static_cast<std::uint64_t>(
      src->biHeight < 0 ? -static_cast<std::int64_t>(src->biHeight) : src->biHeight);
  const std::uint64_t size = dib::StrideOf(src->biWidth, src->biBitCount) * rows;
  if (size > dib::kMaxPictureBytes) return false;
  std::uint8_t* pixels = const_cast<std::uint8_t*>(static_cast<const std::uint8_t*>(bits));
  if (copy) {
    pixels = AllocPixels(size);
    if (!pixels) return false;
    if (bits) std::memcpy(pixels, bits, static_cast<std::size_t>(size));
  }
  const std::size_t infoBytes = kInfoHeaderSize + 4 * std::size_t{colors};
  if (!AllocInfo(src->biWidth, src->biHeight, infoBytes)) {
    if (copy) delete[] pixels;
    return false;
  }
  const bool topDown = topDown_ != 0;
  std::memcpy(info_.get(), src, infoBytes);
  info_->biHeight = static_cast<std::int32_t>(rows);
  info_->biPlanes = 1;
  topDown_ = topDown ? 1 : 0;
  ReleaseBits();
  bits_ = pixels;
  ownBits_ = copy ? 1 : 0;
  OnBitsChanged();
  return true;
}

bool CDIB::CopyWhole(const CDIB& src) {
  if (!src.info_) return false;
  const std::size_t size = src.CDIB::GetBitsSize();
  std::uint8_t* pixels = AllocPixels(size);
  if (!pixels) return false;
  if (src.bits_) std::memcpy(pixels, src.bits_, size);
  BITMAPINFOHEADER* info = CloneInfo(src.info_.get(), src.infoBytes_);
  if (!info) {
    delete[] pixels;
    return false;
  }
  info_.reset(info);
  infoBytes_ = src.infoBytes_;
  ReleaseBits();
  bits_ = pixels;
  ownBits_ = 1;
  topDown_ = src.topDown_;
  OnBitsChanged();
  return true;
}

bool CDIB::Copy(const CDIB& src) {
  if (&src == this) return true;
  if (!src.info_) return false;
  const auto* phased = dynamic_cast<const CPhasedSprite*>(&src);
  if (!phased || dynamic_cast<const CPhasedSprite*>(this)) return CopyWhole(src);

  // A plain picture of the source's current phase.
  const int width = src.GetWidth();
  const int height = src.GetHeight();
  const std::uint64_t size = dib::StrideOf(width, src.info_->biBitCount) * static_cast<std::uint64_t>(height);
  std::uint8_t* pixels = AllocPixels(size);
  if (!pixels) return false;
  BITMAPINFOHEADER* info = CloneInfo(src.info_.get(), src.infoBytes_);
  if (!info) {
    delete[] pixels;
    return false;
  }
  info_.reset(info);
  infoBytes_ = src.infoBytes_;
  info_->biWidth = width;
  info_->biHeight = height;
  ReleaseBits();
  bits_ = pixels;
  ownBits_ = 1;
  topDown_ = src.topDown_;
  src.CopyRectTo(*this, 0, 0, width, height, 0, 0, -1);
  OnBitsChanged();
  return true;
}

std::uint8_t* CDIB::GetPixelAddress(int x, int y) {
  if (!info_ || !bits_) return nullptr;
  if (x < 0 || x >= info_->biWidth || y < 0 || y >= info_->biHeight) return nullptr;
  const std::size_t row = topDown_ ? static_cast<std::size_t>(y) : static_cast<std::size_t>(info_->biHeight - 1 - y);
  return bits_ + row * CDIB::GetStride() + static_cast<std::size_t>(x) * info_->biBitCount / 8;
}

int CDIB::GetWidth() const { return info_ ? info_->biWidth : 0; }
int CDIB::GetHeight() const { return info_ ? info_->biHeight : 0; }
CDIBRect CDIB::GetRect() const { return {0, 0, GetWidth(), GetHeight()}; }

std::size_t CDIB::GetStride() const {
  return info_ ? static_cast<std::size_t>(dib::StrideOf(info_->biWidth, info_->biBitCount)) : 0;
}

std::size_t CDIB::GetBitsSize() const {
  return info_ ? CDIB::GetStride() * static_cast<std::size_t>(info_->biHeight) : 0;
}

RGBQUAD* CDIB::GetColorTable() {
  return info_ && infoBytes_ > kInfoHeaderSize
             ? reinterpret_cast<RGBQUAD*>(reinterpret_cast<std::uint8_t*>(info_.get()) + kInfoHeaderSize)
             : nullptr;
}

const RGBQUAD* CDIB::GetColorTable() const { return const_cast<CDIB*>(this)->GetColorTable(); }

std::uint32_t CDIB::GetColorCount() const {
  if (!info_) return 0;
  const std::size_t held = (infoBytes_ - kInfoHeaderSize) / 4;
  return static_cast<std::uint32_t>(std::min<std::size_t>(dib::ColorCountOf(*info_), held));
}

void CDIB::Fill(std::uint32_t colour) {
  if (!info_ || !bits_) return;
  const std::size_t size = CDIB::GetBitsSize();
  const std::uint32_t red = colour & 0xFF;
  const std::uint32_t green = (colour >> 8) & 0xFF;
  const std::uint32_t blue = (colour >> 16) & 0xFF;
  switch (info_->biBitCount) {
    case 1:
      // Every pixel takes the index, so a set index fills whole bytes.
      std::memset(bits_, (colour & 1) ? 0xFF : 0x00, size);
      break;
    case 4:
      std::memset(bits_, static_cast<int>((colour & 0xF) * 17), size);
      break;
    case 8:
      std::memset(bits_, static_cast<int>(colour & 0xFF), size);
      break;
    case 16: {
      const std::uint16_t word = Pack555(red, green, blue);
      for (std::size_t i = 0; i + 1 < size; i += 2) WriteWord(bits_ + i, word);
      break;
    }
    case 24: {
      const std::size_t stride = CDIB::GetStride();
      const std::size_t width = static_cast<std::size_t>(info_->biWidth);
      for (std::size_t r = 0; r < static_cast<std::size_t>(info_->biHeight); ++r) {
        std::uint8_t* p = bits_ + r * stride;
        for (std::size_t x = 0; x < width; ++x, p += 3) {
          p[0] = static_cast<std::uint8_t>(blue);
          p[1] = static_cast<std::uint8_t>(green);
          p[2] = static_cast<std::uint8_t>(red);
        }
      }
      break;
    }
    default:
      break;
  }
}

void CDIB::CopyRectTo(CDIB& dst, int dx, int dy, int w, int h, int sx, int sy, std::int32_t transparent) const {
  if (!info_ || !dst.info_) return;
  const int srcBits = info_->biBitCount;
  const int dstBits = dst.info_->biBitCount;
  const std::int64_t dstWidth = dst.GetWidth();
  const std::int64_t dstRows = dst.GetHeight();
  std::int64_t cw = w;
  std::int64_t ch = h;
  if (dx + ((cw * srcBits + 7) / 8 * 8) / dstBits > dstWidth) cw = dstWidth - dx;
  if (dy + ch > dstRows) ch = dstRows - dy;
  // Each row is written from (dx, ·) and read from (sx, ·): keep both runs
  // inside their rows, whatever the bit counts, so that no row can run past
  // the end of either pixel array.
  if (dx >= 0) cw = std::min<std::int64_t>(cw, dstWidth - dx);
  if (sx >= 0) cw = std::min<std::int64_t>(cw, static_cast<std::int64_t>(GetWidth()) - sx);
  if (cw <= 0 || ch <= 0) return;
  if (transparent != -1 && srcBits <= 8) transparent &= 0xFF;

  const RGBQUAD* table = GetColorTable();
  const std::uint32_t tableCount = GetColorCount();
  // Indices past the entries the picture holds read as black.
  auto lookup = [&](std::uint32_t index) -> RGBQUAD {
    return index < tableCount ? table[index] : RGBQUAD{0, 0, 0, 0};
  };
  auto keep = [&](std::int64_t value) { return transparent == -1 || value != transparent; };
  auto put = [&](std::uint8_t* d, int dstDepth, RGBQUAD c) {
    if (dstDepth == 24) {
      d[0] = c.rgbBlue;
      d[1] = c.rgbGreen;
      d[2] = c.rgbRed;
    } else {
      WriteWord(d, Pack555(c.rgbRed, c.rgbGreen, c.rgbBlue));
    }
  };

  const int n = static_cast<int>(cw);
  for (int r = static_cast<int>(ch) - 1; r >= 0; --r) {
    const std::uint8_t* s = GetPixelAddress(sx, sy + r);
    std::uint8_t* d = dst.GetPixelAddress(dx, dy + r);
    if (!s || !d) continue;
    if (srcBits == 4 && (dstBits == 4 || dstBits == 16 || dstBits == 24)) {
      // Nibble positions follow the coordinates: an even x is a high nibble.
      for (int i = 0; i < n; ++i) {
        const int si = (sx & 1) + i;
        const std::uint8_t sb = s[si / 2];
        const std::uint32_t v = (si & 1) ? (sb & 0x0F) : (sb >> 4);
        if (!keep(v)) continue;
        if (dstBits == 4) {
          const int di = (dx & 1) + i;
          std::uint8_t& db = d[di / 2];
          db = (di & 1) ? static_cast<std::uint8_t>((db & 0xF0) | v) : static_cast<std::uint8_t>((db & 0x0F) | (v << 4));
        } else {
          put(d + static_cast<std::size_t>(i) * (dstBits / 8), dstBits, lookup(v));
        }
      }
    } else if (srcBits == 8 && dstBits == 8) {
      for (int i = 0; i < n; ++i)
        if (keep(s[i])) d[i] = s[i];
    } else if (srcBits == 8 && (dstBits == 16 || dstBits == 24)) {
      for (int i = 0; i < n; ++i)
        if (keep(s[i])) put(d + static_cast<std::size_t>(i) * (dstBits / 8), dstBits, lookup(s[i]));
    } else if (srcBits == 16 && dstBits == 16) {
      for (int i = 0; i < n; ++i) {
        const std::uint16_t word = ReadWord(s + 2 * i);
        if (keep(word)) WriteWord(d + 2 * i, word);
      }
    } else if (srcBits == 16 && dstBits == 24) {
      for (int i = 0; i < n; ++i) {
        const std::uint32_t word = ReadWord(s + 2 * i);
        if (!keep(word)) continue;
        std::uint8_t* p = d + 3 * static_cast<std::size_t>(i);
        p[0] = static_cast<std::uint8_t>((word << 3) & 0xF8);
        p[1] = static_cast<std::uint8_t>((word >> 2) & 0xF8);
        p[2] = static_cast<std::uint8_t>((word >> 7) & 0xF8);
      }
    } else if (srcBits == 24 && (dstBits == 16 || dstBits == 24)) {
      for (int i = 0; i < n; ++i) {
        const std::uint8_t* p = s + 3 * static_cast<std::size_t>(i);
        const std::int64_t key = (std::int64_t{p[0]} << 16) | (p[1] << 8) | p[2];
        if (!keep(key)) continue;
        if (dstBits == 24) {
          std::memcpy(d + 3 * static_cast<std::size_t>(i), p, 3);
        } else {
          WriteWord(d + 2 * i, Pack555(p[2], p[1], p[0]));
        }
      }
    }
  }
}

std::unique_ptr<std::uint8_t[]> CDIB::ReadBits(std::istream& file, const BITMAPINFOHEADER& info,
                                               std::uint64_t size) const {
  const std::uint64_t rows = static_cast<std::uint64_t>(
      info.biHeight < 0 ? -static_cast<std::int64_t>(info.biHeight) : info.biHeight);
  const std::uint64_t need = dib::StrideOf(info.biWidth, info.biBitCount) * rows;
  const std::uint64_t bytes = std::max(size, need);
  if (bytes > dib::kMaxPictureBytes) throw CFileException{"ReadBits: picture too large"};
  std::unique_ptr<std::uint8_t[]> block(AllocPixels(bytes));
  if (!block) throw CFileException{"ReadBits: out of memory"};
  if (!ReadExact(file, block.get(), static_cast<std::size_t>(size))) throw CFileException{"ReadBits: short read"};
  return block;
}

bool CDIB::Load(std::istream& file) {
  try {
    const std::streampos start = file.tellg();
    const std::int64_t available = RemainingBytes(file);
    if (start == std::streampos(-1) || available < 0) return false;
    std::uint8_t head[dib::kFileHeaderSize + kInfoHeaderSize];
    if (available < static_cast<std::int64_t>(sizeof head) || !ReadExact(file, head, sizeof head)) return false;
    const BITMAPFILEHEADER fh = dib::DecodeFileHeader(head);
    BITMAPINFOHEADER ih = dib::DecodeInfoHeader(head + dib::kFileHeaderSize);
    if (fh.bfType != dib::kBitmapType || ih.biSize != kInfoHeaderSize) return false;
    // The picture keeps only uncompressed pixels of the bit counts it
    // knows; anything else would be misread by every later operation.
    if (!IsValidBitCount(ih.biBitCount) || ih.biCompression != dib::kBiRgb || ih.biWidth <= 0 ||
        ih.biHeight == 0 || ih.biHeight == INT_MIN)
      return false;
    const std::uint32_t colors = dib::ColorCountOf(ih);
    const std::size_t infoBytes = kInfoHeaderSize + 4 * std::size_t{colors};
    if (static_cast<std::uint64_t>(available) < sizeof head + 4 * std::uint64_t{colors}) return false;
    std::unique_ptr<std::uint8_t[]> table(new (std::nothrow) std::uint8_t[4 * std::size_t{colors} + 1]);
    if (!table || !ReadExact(file, table.get(), 4 * std::size_t{colors})) return false;
    if (fh.bfSize < fh.bfOffBits) return false;
    const std::uint64_t size = fh.bfSize - fh.bfOffBits;
    if (std::uint64_t{fh.bfOffBits} + size > static_cast<std::uint64_t>(available)) return false;
    // The pixel bytes must cover the rows the header claims (all but the
    // last row's padding): a few header bytes must not make a gigabyte of
    // zeroed picture.
    const std::uint64_t rows = ih.biHeight < 0 ? -static_cast<std::int64_t>(ih.biHeight) : ih.biHeight;
    const std::uint64_t stride = dib::StrideOf(ih.biWidth, ih.biBitCount);
    if (rows > 0 && size < (rows - 1) * stride + (static_cast<std::uint64_t>(ih.biWidth) * ih.biBitCount + 7) / 8)
      return false;
    file.seekg(start + static_cast<std::streamoff>(fh.bfOffBits));
    if (!file) return false;
    std::unique_ptr<std::uint8_t[]> pixels = ReadBits(file, ih, size);

    // A file that stores its rows top first says so with a negative
    // height; the picture keeps that order and flags it.
    const bool topDown = ih.biHeight < 0;
    if (topDown) ih.biHeight = -ih.biHeight;
    void* raw = ::operator new(infoBytes, std::nothrow);
    if (!raw) return false;
    std::memcpy(raw, &ih, kInfoHeaderSize);
    std::memcpy(static_cast<std::uint8_t*>(raw) + kInfoHeaderSize, table.get(), 4 * std::size_t{colors});
    info_.reset(static_cast<BITMAPINFOHEADER*>(raw));
    infoBytes_ = infoBytes;
    ReleaseBits();
    bits_ = pixels.release();
    ownBits_ = 1;
    topDown_ = topDown ? 1 : 0;
    OnBitsChanged();
    return true;
  } catch (const CFileException&) {
    return false;
  } catch (const std::ios_base::failure&) {
    return false;
  }
}

bool CDIB::LoadFromFile(const std::filesystem::path& name) {
  if (name.empty()) return false;
  std::ifstream file(name, std::ios::binary);
  if (!file) return false;
  return Load(file);
}

bool CDIB::WriteHeaders(std::ostream& file) const {
  if (!info_) return false;
  const std::uint32_t colors = GetColorCount();
  BITMAPFILEHEADER fh{};
  fh.bfType = dib::kBitmapType;
  fh.bfOffBits = 4 * colors + 54;
  fh.bfSize = static_cast<std::uint32_t>(CDIB::GetBitsSize()) + fh.bfOffBits;
  std::uint8_t head[dib::kFileHeaderSize + kInfoHeaderSize];
  dib::EncodeFileHeader(fh, head);
  dib::EncodeInfoHeader(*info_, head + dib::kFileHeaderSize);
  file.write(reinterpret_cast<const char*>(head), sizeof head);
  const RGBQUAD* table = GetColorTable();
  for (std::uint32_t i = 0; i < colors; ++i) {
    const char entry[4] = {static_cast<char>(table[i].rgbBlue), static_cast<char>(table[i].rgbGreen),
                           static_cast<char>(table[i].rgbRed), static_cast<char>(table[i].rgbReserved)};
    file.write(entry, 4);
  }
  return static_cast<bool>(file);
}

bool CDIB::WriteBits(std::ostream& file) const {
  if (!info_ || !bits_) return false;
  const std::size_t stride = CDIB::GetStride();
  const std::size_t rows = static_cast<std::size_t>(info_->biHeight);
  if (!topDown_ || stride == 0) {
    file.write(reinterpret_cast<const char*>(bits_), static_cast<std::streamsize>(stride * rows));
  } else {
    // Files are always bottom-up.
    for (std::size_t r = rows; r-- > 0;)
      file.write(reinterpret_cast<const char*>(bits_ + r * stride), static_cast<std::streamsize>(stride));
  }
  return static_cast<bool>(file);
}

bool CDIB::Save(std::ostream& file) const {
  try {
    return WriteHeaders(file) && WriteBits(file);
  } catch (const std::ios_base::failure&) {
    return false;
  }
}

bool CDIB::SaveToFile(const std::filesystem::path& name, const char** failureText) const {
  if (failureText) *failureText = nullptr;
  if (name.empty()) return false;
  std::ofstream file(name, std::ios::binary | std::ios::trunc);
  if (!file) {
    if (failureText) *failureText = "Failed to open file";
    return false;
  }
  bool ok = Save(file);
  file.close();
  ok = ok && !file.fail();
  if (!ok && failureText) *failureText = "Failed to save file";
  return ok;
}

CDIBPal::CDIBPal() : entries_{} {}

void CDIBPal::Attach(std::unique_ptr<PALETTEENTRY[]> entries, int count) {
  attached_ = std::move(entries);
  attachedCount_ = count;
}

bool CDIBPal::CreateFromDIB(const CDIB& dib) {
  const std::uint32_t n = dib.GetColorCount();
  if (n == 0) return false;
  std::unique_ptr<PALETTEENTRY[]> entries(new (std::nothrow) PALETTEENTRY[n]);
  if (!entries) return false;
  const RGBQUAD* table = dib.GetColorTable();
  for (std::uint32_t i = 0; i < n; ++i) {
    entries[i].peRed = table[i].rgbRed;
    entries[i].peGreen = table[i].rgbGreen;
    entries[i].peBlue = table[i].rgbBlue;
    // The ten entries at each end are the system's static colours.
    entries[i].peFlags = (i >= 10 && i <= 246) ? dib::kPcNoCollapse : 0;
  }
  std::copy(entries.get(), entries.get() + n, entries_);
  Attach(std::move(entries), static_cast<int>(n));
  return true;
}

bool CDIBPal::LoadPalette(std::istream& file) {
  try {
    std::uint8_t head[4];
    if (!ReadExact(file, head, 4)) return false;
    const std::uint16_t version = dib::Le16(head);
    const std::uint16_t count = dib::Le16(head + 2);
    if (version != dib::kPaletteVersion || count == 0) return false;
    const std::int64_t available = RemainingBytes(file);
    if (available >= 0 && available < 4 * std::int64_t{count}) return false;
    std::unique_ptr<PALETTEENTRY[]> entries(new (std::nothrow) PALETTEENTRY[count]);
    if (!entries) return false;
    std::unique_ptr<std::uint8_t[]> raw(new (std::nothrow) std::uint8_t[4 * std::size_t{count}]);
    if (!raw || !ReadExact(file, raw.get(), 4 * std::size_t{count})) return false;
    for (std::size_t i = 0; i < count; ++i)
      entries[i] = PALETTEENTRY{raw[4 * i], raw[4 * i + 1], raw[4 * i + 2], raw[4 * i + 3]};
    if (count == 256) std::copy(entries.get(), entries.get() + 256, entries_);
    Attach(std::move(entries), count);
    return true;
  } catch (const std::ios_base::failure&) {
    return false;
  }
}

bool CDIBPal::SavePalette(std::ostream& file) const {
  if (!attached_) return false;
  try {
    std::uint8_t head[4];
    dib::PutLe16(head, dib::kPaletteVersion);
    dib::PutLe16(head + 2, static_cast<std::uint16_t>(attachedCount_));
    file.write(reinterpret_cast<const char*>(head), 4);
    for (int i = 0; i < attachedCount_; ++i) {
      const char e[4] = {static_cast<char>(attached_[i].peRed), static_cast<char>(attached_[i].peGreen),
                         static_cast<char>(attached_[i].peBlue), static_cast<char>(attached_[i].peFlags)};
      file.write(e, 4);
    }
    return static_cast<bool>(file);
  } catch (const std::ios_base::failure&) {
    return false;
  }
}
