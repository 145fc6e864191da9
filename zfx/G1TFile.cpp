#include "zfx/G1TFile.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <typeinfo>

#include "zfx/Messages.h"
#include "zfx/PixelConvert.h"
#include "zfx/TextWriter.h"

namespace zfx {
namespace {

const BitFieldWidths kExtendedBitFields = {4, 20, 8};

std::uint8_t SwapNibbles(std::uint8_t b) { return std::uint8_t((b << 4) | (b >> 4)); }

// In a big-endian file every texture header byte except the format has its
// nibbles exchanged.
void SwapHeaderNibbles(std::uint8_t* header) {
  for (int i = 0; i < 8; ++i)
    if (i != 1) header[i] = SwapNibbles(header[i]);
}

std::string FourCCText(std::uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

std::uint32_t TextFourCC(const std::string& s) {
  return s.size() == 4 ? FourCC(s[0], s[1], s[2], s[3]) : 0;
}

bool IsDecimalVersion(const std::string& s) {
  return s.size() == 4 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int VersionNumber(const std::string& s) { return IsDecimalVersion(s) ? std::stoi(s) : 0; }

std::uint32_t Log2(std::uint32_t v) { return v ? std::uint32_t(std::bit_width(v) - 1) : 0; }

bool HasTag(const std::vector<CG1TExtraRecord>& records, std::uint16_t tag) {
  return std::any_of(records.begin(), records.end(), [tag](const CG1TExtraRecord& r) { return r.tag == tag; });
}

// The order in which a face's levels lie in the file: pairs of (face, level).
std::vector<std::pair<std::size_t, std::size_t>> LevelOrder(std::size_t faces, std::size_t mips, bool cube,
                                                            std::int32_t platform) {
  std::vector<std::pair<std::size_t, std::size_t>> order;
  if (cube && (platform == 3 || platform == 4)) return order;  // these platforms store no cube data here
  if (cube && platform == 1) {
    for (std::size_t f = 0; f < faces; ++f)
      for (std::size_t l = 0; l < mips; ++l) order.emplace_back(f, l);
  } else {
    for (std::size_t l = 0; l < mips; ++l)
      for (std::size_t f = 0; f < faces; ++f) order.emplace_back(f, l);
  }
  return order;
}

CConversionContext ContextFor(const CG1TTexture& texture, std::uint32_t w, std::uint32_t h,
                              std::int32_t platform, bool bigEndian) {
  CConversionContext c;
  c.width = w;
  c.height = h;
  c.platform = platform;
  c.bigEndian = bigEndian;
  c.extraRecords = &texture.GetExtraRecords();
  c.option = texture.GetPlatform();
  return c;
}

std::vector<float> BytesToFloats(const std::vector<std::uint8_t>& bytes) {
  std::vector<float> f(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) f[i] = ByteToFloat(bytes[i]);
  return f;
}

// Level pixels as floats, decoding stored bytes when nothing else is held.
bool LevelFloats(const CG1TTexture& texture, const CG1TLevel& level, std::vector<float>& out) {
  switch (level.pixels) {
    case CG1TLevel::Pixels::kFloats:
      out = level.floats;
      return true;
    case CG1TLevel::Pixels::kBytes:
      out = BytesToFloats(level.bytes);
      return true;
    case CG1TLevel::Pixels::kIndices:
      return false;
    case CG1TLevel::Pixels::kNone:
      break;
  }
  return DecodeToFloats(level.storedFormat, level.stored,
                        ContextFor(texture, level.width, level.height, level.storedPlatform, level.storedBigEndian),
                        out);
}

// Successive 2 x 2 averaging for the levels above 0. Attributes 1 and 2
// weight the colours by alpha, fully or half way between alpha and 1; the
// other variants are averaged plainly.
void GenerateMipLevels(CG1TSurface& face, const std::vector<float>& base) {
  float alphaFactor = 0.0f;
  if (face.attribute == 1) alphaFactor = 1.0f;
  if (face.attribute == 2) alphaFactor = 0.5f;
  std::vector<float> prev = base;
  std::uint32_t pw = face.levels[0].width, ph = face.levels[0].height;
  for (std::size_t l = 1; l < face.levels.size(); ++l) {
    CG1TLevel& level = face.levels[l];
    const std::uint32_t w = level.width, h = level.height;
    if (w == 0 || h == 0 || pw == 0 || ph == 0) break;
    std::vector<float> next(std::size_t{w} * h * 4);
    for (std::uint32_t y = 0; y < h; ++y) {
      for (std::uint32_t x = 0; x < w; ++x) {
        float colour[3] = {0, 0, 0}, alpha = 0, weight = 0;
        for (std::uint32_t d = 0; d < 4; ++d) {
          const std::uint32_t sx = std::min(pw - 1, 2 * x + (d & 1));
          const std::uint32_t sy = std::min(ph - 1, 2 * y + (d >> 1));
          const float* p = &prev[(std::size_t{sy} * pw + sx) * 4];
          const float wgt = alphaFactor * p[3] + (1.0f - alphaFactor);
          for (int c = 0; c < 3; ++c) colour[c] += p[c] * wgt;
          alpha += p[3];
          weight += wgt;
        }
        float* o = &next[(std::size_t{y} * w + x) * 4];
        for (int c = 0; c < 3; ++c) o[c] = weight > 0 ? colour[c] / weight : 0.0f;
        o[3] = alpha / 4.0f;
      }
    }
    level.pixels = CG1TLevel::Pixels::kFloats;
    level.floats = next;
    prev = std::move(next);
    pw = w;
    ph = h;
  }
}

// A face may be written when its platform keeps its format and palette
// format, and platform 2's tiled formats are at least 128 pixels a side.
bool PassesSurfaceCheck(const CG1TSurface& face) {
  if (face.platform < 0 || face.platform >= kPlatformCount) return false;
  std::int32_t format = face.format;
  if (!IsFormatSupported(format, face.platform)) return false;
  if (face.paletteFormat != TQR_PIXEL_FORMAT_NONE &&
      GetPalettePlatformFormat(face.platform, face.paletteFormat) != face.paletteFormat)
    return false;
  const PixelFormatInfo* info = GetPixelFormatInfo(face.format);
  if (face.platform == 2 && info->tiled && (face.width < 128 || face.height < 128)) return false;
  return true;
}

// Reads a four-character signature and sets the reader's byte order from it:
// a big-endian file stores it as written, a little-endian one reversed.
// False for any other four bytes.
bool ReadSignature(CBinaryReaderFromMemory& reader, const char (&signature)[5]) {
  std::uint8_t sig[4];
  if (reader.ReadArray(sig, 4) != 4) return false;
  if (std::equal(sig, sig + 4, std::make_reverse_iterator(signature + 4)))
    reader.SetBigEndian(false);
  else if (std::equal(sig, sig + 4, signature))
    reader.SetBigEndian(true);
  else
    return false;
  return true;
}

CG1TTexture& Placeholder() {
  static CG1TTexture placeholder;
  placeholder.SetFixed(true);
  return placeholder;
}

}  // namespace

// ---------------------------------------------------------------------------
// Colour-space names and palette formats.

bool MatchWildcard(const std::wstring& pattern, const std::wstring& text) {
  std::size_t p = 0, t = 0, star = std::wstring::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      mark = t;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

bool IsSrgbTextureName(const std::wstring& name) {
  if (name == L"ColorSpace_sRGB") return true;
  if (name == L"ColorSpace_LINEAR") return false;
  for (const wchar_t* pattern : {L"COLOR*", L"DxTexture*", L"SpecularMap*", L"AlphaSpecularMap*"})
    if (MatchWildcard(pattern, name)) return true;
  return false;
}

bool SetPaletteFormat(std::int32_t& paletteFormat, std::int32_t format) {
  const PixelFormatInfo* info = GetPixelFormatInfo(format);
  if (!info || info->paletteClass == 0) {
    if (info && info->shortName) {
      CTextWriterToDebug debug;
      debug.Write(info->shortName);
    }
    return false;
  }
  paletteFormat = format;
  return true;
}

// ---------------------------------------------------------------------------
// CG1TTexture

CG1TTexture::CG1TTexture() { std::copy(std::begin(kG1TNewTextureHeader), std::end(kG1TNewTextureHeader), m_header); }

bool CG1TTexture::SetFormats(std::int32_t format, std::int32_t paletteFormat) {
  if (!IsInitialized() || m_fixed) return false;
  m_format = format;
  m_paletteFormat = paletteFormat;
  m_modified = true;
  return true;
}

bool CG1TTexture::SetPixelFormat(std::int32_t format) {
  if (!IsInitialized() || m_fixed || format < 0 || format >= kPixelFormatCount) return false;
  m_format = format;
  m_modified = true;
  return true;
}

bool CG1TTexture::SetPaletteFormat(std::int32_t paletteFormat) {
  if (!IsInitialized() || m_fixed) return false;
  if (!zfx::SetPaletteFormat(m_paletteFormat, paletteFormat)) return false;
  m_modified = true;
  return true;
}

bool CG1TTexture::SetPlatform(std::int32_t platform) {
  if (!IsInitialized() || m_fixed) return false;
  m_platform = platform;
  for (CG1TSurface& s : m_surfaces) s.platform = platform;
  m_modified = true;
  return true;
}

bool CG1TTexture::SetName(const std::wstring& name) {
  if (!IsInitialized() || m_fixed) return false;
  if (m_userData) {
    m_userData->SetArguments({L"+Name", m_name, name});
    if (!m_userData->Call()) return false;
  }
  m_name = name;
  m_modified = true;
  return true;
}

bool CG1TTexture::SetSecondName(const std::wstring& name) {
  if (!IsInitialized() || m_fixed) return false;
  m_secondName = name;
  m_modified = true;
  return true;
}

bool CG1TTexture::SetExtraRecords(std::vector<CG1TExtraRecord> records) {
  if (!IsInitialized() || m_fixed || records.size() > 15) return false;
  m_records = std::move(records);
  m_modified = true;
  return true;
}

bool CG1TTexture::SetMipCount(std::uint32_t mipCount) {
  if (!IsInitialized() || m_fixed || mipCount == 0 || mipCount > 15) return false;
  for (CG1TSurface& s : m_surfaces) {
    if (mipCount > 1 + std::max(Log2(s.width), Log2(s.height))) return false;
  }
  for (CG1TSurface& s : m_surfaces) {
    const std::size_t old = s.levels.size();
    s.levels.resize(mipCount);
    for (std::size_t l = old; l < mipCount; ++l) {
      s.levels[l].mipIndex = std::uint32_t(l);
      s.levels[l].width = s.width >> l;
      s.levels[l].height = s.height >> l;
    }
    s.mipCount = mipCount;
  }
  m_modified = true;
  return true;
}

// ---------------------------------------------------------------------------
// CG1TFileImpl: construction, index and simple operations.

CG1TFileImpl::CG1TFileImpl() : m_renameCallback(this, &CG1TFileImpl::OnRename) { RegisterToolkitMessages(); }

bool CG1TFileImpl::OnRename(const CClassCallbackBase::Arguments&) {
  if (m_renameSuppressed) return false;
  m_indexDirty = true;
  return true;
}

bool CG1TFileImpl::RebuildIndex() {
  m_index.clear();
  m_indexDirty = false;
  for (std::size_t i = 0; i < m_textures.size(); ++i) {
    if (!m_index.emplace(m_textures[i]->m_number, i).second) {
      m_indexDirty = true;
      return false;
    }
  }
  return true;
}

void CG1TFileImpl::Reset() {
  m_fileSize = m_headerSize = m_textureCount = m_extraDataSize = 0;
  m_platform = kPlatformNotSet;
  m_attributes.clear();
  m_textures.clear();
  m_index.clear();
  m_offsets.clear();
  m_indexDirty = false;
}

CG1TTexture& CG1TFileImpl::GetTexture(std::int32_t number) {
  if (m_indexDirty) RebuildIndex();
  auto it = m_index.find(number);
  if (it == m_index.end() || it->second >= m_textures.size()) return Placeholder();
  return *m_textures[it->second];
}

bool CG1TFileImpl::SetVersion(const std::string& version) {
  if (!IsDecimalVersion(version)) return false;
  m_version = version;
  return true;
}

bool CG1TFileImpl::SetPlatform(std::int32_t platform) {
  m_platform = platform;
  if (platform < kPlatformNotSet) {
    for (auto& t : m_textures)
      if (t->IsInitialized()) t->SetPlatform(platform);
  }
  return true;
}

bool CG1TFileImpl::SetPixelFormat(std::int32_t format) {
  bool ok = true;
  for (auto& t : m_textures) {
    if (!t->IsInitialized() || t->m_fixed || format < 0 || format >= kPixelFormatCount || IsIndexedFormat(format)) {
      ok = false;
      continue;
    }
    t->m_format = format;
    t->m_paletteFormat = TQR_PIXEL_FORMAT_NONE;
    t->m_modified = true;
  }
  return ok;
}

bool CG1TFileImpl::AddTexture() {
  if (m_indexDirty) RebuildIndex();
  if (m_index.count(0)) return false;
  auto t = std::make_unique<CG1TTexture>();
  t->m_number = 0;
  t->m_numberAsRead = 0;
  t->m_platform = m_platform;
  t->m_userData = &m_renameCallback;
  t->m_modified = true;
  m_textures.push_back(std::move(t));
  ++m_textureCount;
  m_indexDirty = true;
  // A texture made here may be renamed; only reading holds names still.
  m_renameSuppressed = false;
  return true;
}

// ---------------------------------------------------------------------------
// Images.

bool CG1TFileImpl::GetImage(const CG1TTexture& texture, CImageBase& image) {
  if (!texture.IsInitialized() || texture.IsFixed() || texture.m_surfaces.empty()) return false;
  const CG1TSurface& face = texture.m_surfaces.front();
  if (face.levels.empty()) return false;
  const CG1TLevel& level = face.levels.front();
  if (level.pixels == CG1TLevel::Pixels::kNone && level.stored.empty()) return false;
  const std::uint32_t w = level.width, h = level.height;
  if (!IsAcceptedImageSize(w, h)) return false;

  if (!face.palettes.empty()) {
    CIndexedData data;
    if (level.pixels == CG1TLevel::Pixels::kIndices) {
      data.indices = level.bytes;
    } else if (!DecodeToBytes(level.storedFormat, level.stored,
                              ContextFor(texture, w, h, level.storedPlatform, level.storedBigEndian), data.indices)) {
      return false;
    }
    const PixelFormatInfo* info = GetPixelFormatInfo(level.pixels == CG1TLevel::Pixels::kIndices ? face.format
                                                                                                 : level.storedFormat);
    if (!info || (info->paletteEntries != 16 && info->paletteEntries != 256)) return false;
    if (data.indices.size() != std::size_t{w} * h) return false;
    data.width = w;
    data.height = h;
    data.colorCount = info->paletteEntries;
    data.palettes = face.palettes;
    for (Palette& p : data.palettes) p.resize(data.colorCount, PaletteColor{0, 0, 0, 0});
    return image.SetIndexedData(data);
  }

  if (dynamic_cast<CClassicImage*>(&image)) {
    std::vector<std::uint8_t> bytes;
    if (level.pixels == CG1TLevel::Pixels::kBytes) {
      bytes = level.bytes;
    } else if (level.pixels == CG1TLevel::Pixels::kFloats) {
      bytes.resize(level.floats.size());
      for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = FloatToByte(level.floats[i]);
    } else if (!DecodeToBytes(level.storedFormat, level.stored,
                              ContextFor(texture, w, h, level.storedPlatform, level.storedBigEndian), bytes)) {
      return false;
    }
    if (bytes.size() != std::size_t{w} * h * 4) return false;
    return image.Create(w, h, kImageDirect) && image.SetPixels(bytes);
  }
  std::vector<float> floats;
  if (!LevelFloats(texture, level, floats) || floats.size() != std::size_t{w} * h * 4) return false;
  return image.Create(w, h, kImageDirect) && image.SetPixels(floats);
}

bool CG1TFileImpl::SetImage(CG1TTexture& texture, const CImageBase& image) {
  if (!texture.IsInitialized() || texture.IsFixed()) return false;
  const std::uint32_t w = image.GetWidth(), h = image.GetHeight();
  if (!std::has_single_bit(w) || !std::has_single_bit(h) || w > kMaxImageDimension || h > kMaxImageDimension)
    return false;

  CG1TSurface face;
  face.width = w;
  face.height = h;
  face.mipCount = 1;
  face.platform = texture.m_platform;
  face.format = texture.m_format;
  face.paletteFormat = texture.m_paletteFormat;
  if (!texture.m_surfaces.empty()) face.attribute = texture.m_surfaces.front().attribute;
  CG1TLevel level;
  level.width = w;
  level.height = h;
  std::int32_t format = texture.m_format;
  if (image.IsIndexed()) {
    CIndexedData data;
    if (!image.GetIndexedData(data)) return false;
    if (data.colorCount != 16 && data.colorCount != 256) return false;
    level.pixels = CG1TLevel::Pixels::kIndices;
    level.bytes = std::move(data.indices);
    face.palettes = std::move(data.palettes);
    format = data.colorCount == 16 ? TQR_PIXEL_FORMAT_TILE_INDEX4 : TQR_PIXEL_FORMAT_TILE_INDEX8;
  } else if (dynamic_cast<const CClassicImage*>(&image)) {
    level.pixels = CG1TLevel::Pixels::kBytes;
    if (!image.GetPixels(level.bytes)) return false;
  } else {
    level.pixels = CG1TLevel::Pixels::kFloats;
    if (!image.GetPixels(level.floats)) return false;
  }
  face.format = format;
  face.levels.push_back(std::move(level));

  texture.m_format = format;
  texture.m_header[0] = 0x10;
  texture.m_header[2] = std::uint8_t(Log2(w) | (Log2(h) << 4));
  texture.m_surfaces.clear();
  texture.m_surfaces.push_back(std::move(face));
  texture.m_modified = true;
  return true;
}

// ---------------------------------------------------------------------------
// Validation.

void CG1TFileImpl::Report(std::int32_t code) {
  m_reportedCodes.push_back(code);
  ReportError(code);
}

bool CG1TFileImpl::Validate() {
  m_reportedCodes.clear();
  if (m_textures.empty()) {
    Report(MSG_NO_TEXTURES);
    return false;
  }
  if (m_platform < 0 || m_platform >= kPlatformNotSet) {
    Report(MSG_INVALID_HEADER_PLATFORM);
    return false;
  }
  for (auto& tp : m_textures) {
    CG1TTexture& t = *tp;
    if (t.m_platform != m_platform) {
      Report(MSG_PLATFORM_MISMATCH);
      return false;
    }
    if (!t.IsInitialized()) {
      Report(MSG_NOT_INITIALIZED);
      return false;
    }
    if (t.m_fixed) {
      Report(MSG_FIXED_TYPE);
      return false;
    }
    if (t.m_surfaces.empty()) {
      Report(MSG_NO_TEXTURES);
      return false;
    }
    if (t.m_format < 0 || t.m_format >= kPixelFormatCount) {
      Report(MSG_INVALID_PIXEL_FORMAT);
      return false;
    }
    if (t.m_platform < 0 || t.m_platform >= kPlatformNotSet) {
      Report(MSG_INVALID_PLATFORM);
      return false;
    }
    const CG1TSurface& first = t.m_surfaces.front();
    const bool tileDxt = t.m_format == TQR_PIXEL_FORMAT_TILE_DXT1 || t.m_format == TQR_PIXEL_FORMAT_TILE_DXT3 ||
                         t.m_format == TQR_PIXEL_FORMAT_TILE_DXT5;
    if (t.m_platform == 2 && tileDxt && (first.width < 128 || first.height < 128)) {
      Report(MSG_XB2_TILE_DXT_TOO_SMALL);
      return false;
    }

    bool unsupported = false;
    std::int32_t format = t.m_format;
    if (!IsFormatSupported(format, t.m_platform)) {
      Report(MSG_UNSUPPORTED_ON_PLATFORM);
      unsupported = true;
    }
    std::int32_t paletteFormat = t.m_paletteFormat;
    if (paletteFormat != TQR_PIXEL_FORMAT_NONE) {
      if (t.m_platform == 3 || t.m_platform == 4) {
        const std::int32_t sub = GetPalettePlatformFormat(t.m_platform, paletteFormat);
        if (sub != paletteFormat) {
          Report(MSG_UNSUPPORTED_ON_PLATFORM);
          unsupported = true;
          paletteFormat = sub;
        }
      } else {
        Report(MSG_UNSUPPORTED_ON_PLATFORM);
        unsupported = true;
        paletteFormat = TQR_PIXEL_FORMAT_NONE;
      }
    }
    if (unsupported && format != TQR_PIXEL_FORMAT_NONE) {
      const bool indexed = IsIndexedFormat(format);
      const bool hasPalette = paletteFormat != TQR_PIXEL_FORMAT_NONE;
      if (indexed == hasPalette) {
        t.m_format = format;
        t.m_paletteFormat = paletteFormat;
        t.m_modified = true;
      }
    }

    for (const CG1TSurface& face : t.m_surfaces) {
      if (face.levels.empty()) {
        Report(MSG_NOT_INITIALIZED);
        return false;
      }
      if (face.width == 0 || face.height == 0) {
        Report(MSG_INVALID_TEXTURE_SIZE);
        return false;
      }
    }
    if (t.m_paletteFormat == TQR_PIXEL_FORMAT_NONE && !first.palettes.empty()) {
      Report(MSG_INDEXED_TO_DIRECT);
      return false;
    }
    if (t.m_paletteFormat != TQR_PIXEL_FORMAT_NONE && first.palettes.empty()) {
      Report(MSG_DIRECT_TO_INDEXED);
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// Reading.

std::uint32_t CG1TFileImpl::Read(CBinaryReaderFromMemory& reader) {
  m_renameSuppressed = true;
  const bool callerBigEndian = reader.IsBigEndian();
  const std::uint32_t origin = reader.GetPosition();
  reader.SetOrigin(origin);
  Reset();
  const bool ok = ReadBody(reader);
  const std::uint32_t total = reader.GetPosition() - origin;
  reader.SetBigEndian(callerBigEndian);
  if (!ok) {
    Reset();
    return 0;
  }
  for (auto& t : m_textures) t->m_modified = false;
  m_indexDirty = true;
  m_renameSuppressed = false;
  return total;
}

bool CG1TFileImpl::ReadBody(CBinaryReaderFromMemory& reader) {
  const std::uint32_t origin = reader.GetOrigin();
  const std::uint32_t bufferSize = reader.GetBufferSize();
  if (origin > bufferSize || bufferSize - origin < kG1THeaderSizeNoPlatform) return false;
  const std::uint32_t available = bufferSize - origin;

  if (!ReadSignature(reader, "G1TG")) return false;
  const bool bigEndian = reader.IsBigEndian();
  reader.SetPositionFromOrigin(0);

  std::uint32_t signature = 0, version = 0;
  if (reader.Read(signature) != 4 || reader.Read(version) != 4 || reader.Read(m_fileSize) != 4 ||
      reader.Read(m_headerSize) != 4 || reader.Read(m_textureCount) != 4)
    return false;
  m_magic = FourCCText(signature);
  m_version = FourCCText(version);
  if (!IsDecimalVersion(m_version)) return false;
  if (m_headerSize < kG1THeaderSizeNoPlatform || m_headerSize > available) return false;
  if (m_fileSize < m_headerSize || m_fileSize > available) return false;
  // Nothing is read past the file's own size.
  const std::uint32_t end = origin + m_fileSize;

  if (m_headerSize > kG1THeaderSizeNoPlatform) {
    if (reader.Read(m_platform) != 4) return false;
  } else {
    m_platform = bigEndian ? 1 : 0;
  }
  if (VersionNumber(m_version) >= 50 && m_headerSize > kG1THeaderSizeNoExtra) {
    if (reader.Read(m_extraDataSize) != 4) return false;
  }
  if (m_headerSize > kG1THeaderSizeFull) {
    const std::uint32_t words = (m_headerSize - kG1THeaderSizeFull) / 4;
    reader.SetPositionFromOrigin(kG1THeaderSizeFull);
    m_attributes.resize(words);
    if (words && reader.ReadArray(m_attributes.data(), words) != words * 4) return false;
  }
  reader.SetPositionFromOrigin(m_headerSize);

  // Every texture needs an offset and a header: a count beyond what the
  // file holds is refused before anything is allocated for it.
  const std::uint32_t afterHeader = m_fileSize - m_headerSize;
  if (m_textureCount > afterHeader / (4 + sizeof(G1TTextureHeader))) return false;
  m_offsets.resize(m_textureCount);
  if (m_textureCount && reader.ReadArray(m_offsets.data(), m_textureCount) != m_textureCount * 4) return false;
  if (m_extraDataSize > end - reader.GetPosition()) return false;
  std::vector<std::uint8_t> extra(m_extraDataSize);
  if (m_extraDataSize && reader.ReadArray(extra.data(), m_extraDataSize) != m_extraDataSize) return false;

  for (std::uint32_t i = 0; i < m_textureCount; ++i)
    if (!ReadTexture(reader, end, std::int32_t(i))) return false;

  std::uint32_t records = 0;
  for (auto& t : m_textures) records += t->m_header[3] >> 4;
  if (records) {
    if (!ReadExtraRecords(extra, bigEndian)) return false;
    bool palettes = false;
    for (auto& t : m_textures) palettes = palettes || HasTag(t->m_records, kExtraTagPalette);
    if (palettes && !ReadPaletteList(reader, end)) return false;
  }
  return true;
}

bool CG1TFileImpl::ReadTexture(CBinaryReaderFromMemory& reader, std::uint32_t end, std::int32_t number) {
  auto t = std::make_unique<CG1TTexture>();
  const bool be = reader.IsBigEndian();
  if (end - reader.GetPosition() < sizeof t->m_header) return false;
  if (reader.ReadArray(t->m_header, 8) != 8) return false;
  if (be) SwapHeaderNibbles(t->m_header);
  t->m_number = t->m_numberAsRead = number;
  t->m_platform = m_platform;
  t->m_format = t->m_header[1];
  t->m_userData = &m_renameCallback;

  if (t->HasExtendedHeader()) {
    if (end - reader.GetPosition() < kG1TExtendedHeaderSize) return false;
    if (reader.Read(t->m_extended.size) != 4 || reader.Read(t->m_extended.value) != 4 ||
        reader.ReadBitField(t->m_extended.bits, kExtendedBitFields) != 4)
      return false;
    if (t->m_extended.size < kG1TExtendedHeaderSize) return false;
    const std::uint32_t tail = t->m_extended.size - kG1TExtendedHeaderSize;
    if (tail > end - reader.GetPosition()) return false;
    t->m_extendedTail.resize(tail);
    if (tail && reader.ReadArray(t->m_extendedTail.data(), tail) != tail) return false;
  }

  const bool cube = t->IsCubeMap();
  const std::uint32_t faces = cube ? 6 : 1;
  const std::uint32_t log2w = t->m_header[2] & 0x0F, log2h = t->m_header[2] >> 4;
  const std::uint32_t mips = t->m_header[0] >> 4;
  // Levels beyond the last 1-pixel level would have no pixels at all.
  if (mips > 1 + std::max(log2w, log2h)) return false;
  for (std::uint32_t f = 0; f < faces; ++f) {
    CG1TSurface s;
    s.width = 1u << log2w;
    s.height = 1u << log2h;
    s.mipCount = mips;
    s.platform = m_platform;
    s.format = t->m_format;
    s.attribute = std::size_t(number) < m_attributes.size() ? m_attributes[std::size_t(number)] : 0;
    s.levels.resize(mips);
    for (std::uint32_t l = 0; l < mips; ++l) {
      s.levels[l].mipIndex = l;
      s.levels[l].width = s.width >> l;
      s.levels[l].height = s.height >> l;
    }
    t->m_surfaces.push_back(std::move(s));
  }
  for (const auto& [f, l] : LevelOrder(faces, mips, cube, m_platform)) {
    CG1TLevel& level = t->m_surfaces[f].levels[l];
    const std::uint64_t size = GetEncodedSize(level.width, level.height, t->m_format);
    if (size > end - reader.GetPosition()) return false;
    level.stored.resize(size);
    level.storedFormat = t->m_format;
    level.storedPlatform = m_platform;
    level.storedBigEndian = be;
    if (size && reader.ReadArray(level.stored.data(), std::uint32_t(size)) != size) return false;
  }
  m_textures.push_back(std::move(t));
  return true;
}

bool CG1TFileImpl::ReadExtraRecords(const std::vector<std::uint8_t>& extra, bool bigEndian) {
  CBinaryReaderFromMemory r(extra.data(), std::uint32_t(extra.size()));
  r.SetBigEndian(bigEndian);
  for (auto& t : m_textures) {
    const std::uint32_t count = t->m_header[3] >> 4;
    for (std::uint32_t k = 0; k < count; ++k) {
      CG1TExtraRecord rec;
      if (extra.size() - r.GetPosition() < 4) return false;
      if (r.Read(rec.tag) != 2 || r.Read(rec.count) != 1 || r.Read(rec.reserved) != 1) return false;
      if (std::size_t{rec.count} * 4 > extra.size() - r.GetPosition()) return false;
      rec.values.resize(rec.count);
      if (rec.count && r.ReadArray(rec.values.data(), rec.count) != std::uint32_t{rec.count} * 4) return false;
      t->m_records.push_back(std::move(rec));
    }
  }
  return true;
}

bool CG1TFileImpl::ReadPaletteList(CBinaryReaderFromMemory& reader, std::uint32_t end) {
  const std::uint32_t start = reader.GetPosition();
  if (end - start < sizeof(G1TPaletteListHeader)) return false;
  if (!ReadSignature(reader, "G1TL")) return false;
  std::uint32_t version = 0, headerSize = 0;
  std::uint16_t count = 0, platform = 0;
  if (reader.Read(version) != 4 || reader.Read(headerSize) != 4 || reader.Read(count) != 2 ||
      reader.Read(platform) != 2)
    return false;
  if (headerSize < sizeof(G1TPaletteListHeader) || headerSize > end - start) return false;
  reader.SetPosition(start + headerSize);
  if (std::uint32_t{count} * 2 > end - reader.GetPosition()) return false;
  std::vector<G1TPaletteEntry> entries(count);
  for (G1TPaletteEntry& e : entries)
    if (reader.Read(e.colourBits) != 1 || reader.Read(e.colourFormat) != 1) return false;

  const bool colourBigEndian = platform == 3;
  std::vector<Palette> palettes;
  palettes.reserve(count);
  for (const G1TPaletteEntry& e : entries) {
    if (e.colourBits > 16) return false;
    const std::uint32_t colours = 1u << e.colourBits;
    const std::uint64_t size = GetEncodedSize(colours, 1, e.colourFormat);
    if (size > end - reader.GetPosition()) return false;
    std::vector<std::uint8_t> data(size);
    if (size && reader.ReadArray(data.data(), std::uint32_t(size)) != size) return false;
    CConversionContext ctx;
    ctx.width = colours;
    ctx.height = 1;
    ctx.platform = platform;
    ctx.bigEndian = colourBigEndian;
    std::vector<std::uint8_t> rgba;
    if (!DecodeToBytes(e.colourFormat, data, ctx, rgba) || rgba.size() != std::size_t{colours} * 4) return false;
    Palette p(colours);
    for (std::uint32_t c = 0; c < colours; ++c) std::copy_n(&rgba[c * 4], 4, p[c].begin());
    palettes.push_back(std::move(p));
  }

  // A texture's tag 5 record names its first palette; its palettes run up to
  // the next texture's first one.
  std::vector<std::uint32_t> firsts;
  for (auto& t : m_textures)
    for (const CG1TExtraRecord& r : t->m_records)
      if (r.tag == kExtraTagPalette && !r.values.empty()) firsts.push_back(r.values[0] & 0xFFFF);
  std::sort(firsts.begin(), firsts.end());
  for (auto& t : m_textures) {
    for (const CG1TExtraRecord& r : t->m_records) {
      if (r.tag != kExtraTagPalette || r.values.empty()) continue;
      const std::uint32_t first = r.values[0] & 0xFFFF;
      if (first >= palettes.size()) continue;
      auto next = std::upper_bound(firsts.begin(), firsts.end(), first);
      const std::size_t last = next == firsts.end() ? palettes.size() : std::min<std::size_t>(*next, palettes.size());
      t->m_paletteFormat = entries[first].colourFormat;
      for (CG1TSurface& s : t->m_surfaces) {
        s.paletteFormat = t->m_paletteFormat;
        s.palettes.assign(palettes.begin() + std::ptrdiff_t(first), palettes.begin() + std::ptrdiff_t(last));
      }
      break;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------
// Writing.

struct CG1TFileImpl::WritePlan {
  struct Texture {
    CG1TTexture* texture = nullptr;
    bool written = false;
    std::uint8_t header[8] = {};
    G1TExtendedHeader extended{};
    std::vector<std::vector<std::uint8_t>> levels;  // in file order
  };
  struct PaletteOut {
    G1TPaletteEntry entry{};
    std::vector<std::uint8_t> colours;
  };
  std::vector<Texture> textures;
  std::vector<CG1TExtraRecord> records;
  std::vector<PaletteOut> palettes;
  bool paletteList = false;
  std::uint64_t dataBytes = 0;
};

bool CG1TFileImpl::PrepareWrite(WritePlan& plan) {
  if (!RebuildIndex()) return false;
  const int version = VersionNumber(m_version);

  // Tables rebuilt from the textures, in number order.
  m_attributes.clear();
  std::uint32_t paletteIndex = 0;
  for (const auto& [number, position] : m_index) {
    CG1TTexture& t = *m_textures[position];
    if (t.m_modified) {
      if (version < 60) {
        t.m_secondName.clear();
        t.m_header[7] &= 0x0F;
      }
      if (IsIndexedFormat(t.m_format)) {
        const std::uint32_t paletteCount = t.m_surfaces.empty() ? 0 : std::uint32_t(t.m_surfaces[0].palettes.size());
        const std::uint32_t value = ((0x8000u | (std::uint32_t(t.m_numberAsRead) & 0x7FFF)) << 16) |
                                    ((paletteCount & 0xFF) << 8) | (std::uint32_t(t.m_paletteFormat) & 0xFF);
        auto it = std::find_if(t.m_records.begin(), t.m_records.end(),
                               [](const CG1TExtraRecord& r) { return r.tag == kExtraTagPalette; });
        if (it == t.m_records.end()) {
          t.m_records.push_back({kExtraTagPalette, 1, 0, {value}});
        } else {
          it->count = 1;
          it->values = {value};
        }
      }
      for (CG1TSurface& s : t.m_surfaces) {
        s.platform = t.m_platform;
        s.format = t.m_format;
        s.paletteFormat = t.m_paletteFormat;
      }
    }
    // A header holds at most 15 records of its texture.
    if (t.m_records.size() > 15) t.m_records.resize(15);
    m_attributes.push_back(t.m_surfaces.empty() ? 1 : t.m_surfaces[0].attribute);

    // Palette links point at the texture's first palette in the list written
    // below; the list is laid out anew, so every link is resolved anew.
    for (CG1TExtraRecord& r : t.m_records) {
      if (r.tag != kExtraTagPalette || r.values.empty()) continue;
      r.values[0] = (((r.values[0] >> 16) & 0x7FFF) << 16) | (paletteIndex & 0xFFFF);
      plan.paletteList = true;
      if (!t.m_surfaces.empty()) {
        const bool split = t.m_paletteFormat == TQR_PIXEL_FORMAT_TILE_BG8;
        for (const Palette& p : t.m_surfaces[0].palettes) {
          for (int half = 0; half < (split ? 2 : 1); ++half) {
            WritePlan::PaletteOut out;
            out.entry.colourBits = std::uint8_t(Log2(std::uint32_t(p.size())));
            out.entry.colourFormat = std::uint8_t(t.m_paletteFormat);
            CConversionContext ctx;
            ctx.width = std::uint32_t(p.size());
            ctx.height = 1;
            ctx.platform = m_platform;
            ctx.bigEndian = m_platform == 3;
            std::vector<std::uint8_t> rgba(p.size() * 4);
            for (std::size_t c = 0; c < p.size(); ++c) std::copy_n(p[c].begin(), 4, &rgba[c * 4]);
            if (!EncodeFromBytes(t.m_paletteFormat, rgba, ctx, out.colours)) return false;
            plan.dataBytes += out.colours.size() + 2;
            plan.palettes.push_back(std::move(out));
            ++paletteIndex;
          }
        }
      }
      break;
    }
    plan.records.insert(plan.records.end(), t.m_records.begin(), t.m_records.end());

    // The texture itself.
    WritePlan::Texture out;
    out.texture = &t;
    out.written = !t.m_surfaces.empty() && std::all_of(t.m_surfaces.begin(), t.m_surfaces.end(), PassesSurfaceCheck);
    if (out.written) {
      const CG1TSurface& first = t.m_surfaces[0];
      std::copy(std::begin(t.m_header), std::end(t.m_header), out.header);
      out.header[0] = std::uint8_t((std::min<std::uint32_t>(first.mipCount, 15) << 4) | (out.header[0] & 0x0F));
      out.header[1] = std::uint8_t(first.format);
      out.header[2] = std::uint8_t(Log2(first.width) | (Log2(first.height) << 4));
      out.header[3] = std::uint8_t((t.m_records.size() << 4) | (out.header[3] & 0x0F));
      if (!HasTag(t.m_records, kExtraTagKeepColourSpace) && !t.m_secondName.empty()) {
        t.m_extended.bits = (t.m_extended.bits & 0x00FFFFFFu) | (IsSrgbTextureName(t.m_secondName) ? 1u << 24 : 0u);
        t.m_header[7] = std::uint8_t(0x10 | (t.m_header[7] & 0x0F));
        out.header[7] = t.m_header[7];
      }
      t.m_extended.size = kG1TExtendedHeaderSize + std::uint32_t(t.m_extendedTail.size());
      out.extended = t.m_extended;
      if (t.HasExtendedHeader()) plan.dataBytes += t.m_extended.size;
      plan.dataBytes += 8;

      for (CG1TSurface& face : t.m_surfaces) {
        // Levels above 0 that hold nothing are made from level 0.
        if (face.levels.size() > 1 && face.levels[0].pixels != CG1TLevel::Pixels::kNone &&
            face.levels[0].pixels != CG1TLevel::Pixels::kIndices &&
            std::all_of(face.levels.begin() + 1, face.levels.end(), [](const CG1TLevel& l) {
              return l.pixels == CG1TLevel::Pixels::kNone && l.stored.empty();
            })) {
          std::vector<float> base;
          if (!LevelFloats(t, face.levels[0], base)) return false;
          GenerateMipLevels(face, base);
        }
      }
      for (const auto& [f, l] : LevelOrder(t.m_surfaces.size(), first.levels.size(), t.IsCubeMap(), m_platform)) {
        const CG1TSurface& face = t.m_surfaces[f];
        if (l >= face.levels.size()) return false;
        const CG1TLevel& level = face.levels[l];
        const bool be = IsBigEndianPlatform(face.platform);
        const CConversionContext ctx = ContextFor(t, level.width, level.height, face.platform, be);
        std::vector<std::uint8_t> data;
        bool ok = true;
        switch (level.pixels) {
          case CG1TLevel::Pixels::kFloats:
            ok = EncodeFromFloats(face.format, level.floats, ctx, data);
            break;
          case CG1TLevel::Pixels::kBytes:
            ok = EncodeFromFloats(face.format, BytesToFloats(level.bytes), ctx, data);
            break;
          case CG1TLevel::Pixels::kIndices:
            ok = EncodeFromBytes(face.format, level.bytes, ctx, data);
            break;
          case CG1TLevel::Pixels::kNone:
            if (level.storedFormat == face.format && level.storedPlatform == face.platform &&
                level.storedBigEndian == be) {
              // Unchanged since reading: the stored bytes are exactly what
              // encoding anew would aim for, without a second lossy pass.
              data = level.stored;
            } else if (IsIndexedFormat(level.storedFormat)) {
              std::vector<std::uint8_t> indices;
              ok = DecodeToBytes(level.storedFormat, level.stored,
                                 ContextFor(t, level.width, level.height, level.storedPlatform, level.storedBigEndian),
                                 indices) &&
                   EncodeFromBytes(face.format, indices, ctx, data);
            } else {
              std::vector<float> floats;
              ok = LevelFloats(t, level, floats) && EncodeFromFloats(face.format, floats, ctx, data);
            }
            break;
        }
        if (!ok) return false;
        plan.dataBytes += data.size();
        out.levels.push_back(std::move(data));
      }
    }
    plan.textures.push_back(std::move(out));
  }
  m_textureCount = std::uint32_t(m_textures.size());
  for (const CG1TExtraRecord& r : plan.records) plan.dataBytes += 4 + 4 * std::uint64_t{r.count};
  // Everything must stay addressable by the 32-bit size fields.
  return plan.dataBytes + kG1THeaderSizeFull + 8 * std::uint64_t{m_textureCount} + 16 <= 0xFFFFFFFFu;
}

bool CG1TFileImpl::WritePass(CBinaryWriterBase& w, const WritePlan& plan) {
  const bool counting = typeid(w) == typeid(CBinaryWriterForUpdateSize);
  const bool callerBigEndian = w.IsBigEndian();
  w.SetOrigin(w.GetPosition());
  w.SetBigEndian(IsBigEndianPlatform(m_platform));
  bool ok = true;
  auto put = [&](std::uint32_t written, std::uint64_t expected) { ok = ok && written == expected; };
  auto putBytes = [&](const std::uint8_t* p, std::size_t n) {
    if (n) put(w.WriteArray(p, std::uint32_t(n)), n);
  };

  put(w.Write(kG1TSignature), 4);
  put(w.Write(TextFourCC(m_version)), 4);
  put(w.Write(m_fileSize), 4);
  put(w.Write(m_headerSize), 4);
  put(w.Write(m_textureCount), 4);
  put(w.Write(m_platform), 4);
  put(w.Write(m_extraDataSize), 4);
  if (!m_attributes.empty()) put(w.WriteArray(m_attributes.data(), std::uint32_t(m_attributes.size())), 4 * m_attributes.size());
  if (counting) {
    m_headerSize = w.GetPositionFromOrigin();
    m_offsets.assign(plan.textures.size(), 0);
  }
  if (!m_offsets.empty()) put(w.WriteArray(m_offsets.data(), std::uint32_t(m_offsets.size())), 4 * m_offsets.size());

  const std::uint32_t extraStart = w.GetPositionFromOrigin();
  for (const CG1TExtraRecord& r : plan.records) {
    put(w.Write(r.tag), 2);
    put(w.Write(r.count), 1);
    put(w.Write(r.reserved), 1);
    for (std::uint32_t k = 0; k < r.count; ++k) put(w.Write(k < r.values.size() ? r.values[k] : 0u), 4);
  }
  if (counting) m_extraDataSize = w.GetPositionFromOrigin() - extraStart;

  for (std::size_t i = 0; i < plan.textures.size(); ++i) {
    const WritePlan::Texture& t = plan.textures[i];
    if (counting) m_offsets[i] = w.GetPositionFromOrigin() - m_headerSize;
    if (!t.written) continue;
    std::uint8_t header[8];
    std::copy(std::begin(t.header), std::end(t.header), header);
    if (w.IsBigEndian()) SwapHeaderNibbles(header);
    putBytes(header, 8);
    if ((t.header[7] >> 4) == 1) {
      put(w.Write(t.extended.size), 4);
      put(w.Write(t.extended.value), 4);
      put(w.WriteBitField(t.extended.bits, kExtendedBitFields), 4);
      putBytes(t.texture->m_extendedTail.data(), t.texture->m_extendedTail.size());
    }
    for (const auto& level : t.levels) putBytes(level.data(), level.size());
  }

  if (plan.paletteList) {
    put(w.Write(kG1TPaletteSignature), 4);
    put(w.Write(kG1TPaletteVersion), 4);
    put(w.Write(counting ? std::uint32_t(sizeof(G1TPaletteListHeader)) : m_paletteHeaderSize), 4);
    put(w.Write(std::uint16_t(plan.palettes.size())), 2);
    put(w.Write(std::uint16_t(m_platform)), 2);
    for (const auto& p : plan.palettes) {
      put(w.Write(p.entry.colourBits), 1);
      put(w.Write(p.entry.colourFormat), 1);
    }
    for (const auto& p : plan.palettes) putBytes(p.colours.data(), p.colours.size());
    if (counting) m_paletteHeaderSize = sizeof(G1TPaletteListHeader);
  }
  if (counting) m_fileSize = w.GetPositionFromOrigin();
  w.SetBigEndian(callerBigEndian);
  return ok;
}

std::uint32_t CG1TFileImpl::Write(CBinaryWriterBase& writer) {
  WritePlan plan;
  if (!PrepareWrite(plan)) return 0;
  CBinaryWriterForUpdateSize counter;
  if (!WritePass(counter, plan)) return 0;
  for (auto& t : m_textures) t->m_modified = false;
  const std::uint32_t start = writer.GetPosition();
  if (!WritePass(writer, plan)) return 0;
  return writer.GetPosition() - start;
}

}  // namespace zfx
