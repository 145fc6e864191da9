// The G1T texture container: reading in either byte order, the textures and
// their conversion to and from images, validation for a target platform and
// writing in two passes (count, then write).
//
// Reading treats the file as hostile: every count and size in a header is
// checked against the bytes that are really there before anything is
// allocated or read, and a file that claims more than it holds fails with 0.
// Pixels are decoded lazily: a read keeps each level's stored bytes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "zfx/BinaryStream.h"
#include "zfx/ClassCallback.h"
#include "zfx/G1TFormat.h"
#include "zfx/Image.h"
#include "zfx/IndexedData.h"
#include "zfx/PixelFormat.h"

namespace zfx {

// One mip level of one face.
struct CG1TLevel {
  enum class Pixels : std::uint8_t { kNone, kFloats, kBytes, kIndices };

  std::uint32_t mipIndex = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  // The bytes as read, with what they were stored as: a level read from a
  // file and not changed since is decoded from (or written as) these.
  std::vector<std::uint8_t> stored;
  std::int32_t storedFormat = TQR_PIXEL_FORMAT_NONE;
  std::int32_t storedPlatform = kPlatformNotSet;
  bool storedBigEndian = false;
  // Converted pixels: RGBA floats, RGBA bytes, or one palette index a pixel.
  Pixels pixels = Pixels::kNone;
  std::vector<float> floats;
  std::vector<std::uint8_t> bytes;
};

// One face: the whole texture for a plain texture, one of six for a cube map.
struct CG1TSurface {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t mipCount = 0;
  std::int32_t platform = kPlatformNotSet;
  std::int32_t format = TQR_PIXEL_FORMAT_NONE;
  std::int32_t paletteFormat = TQR_PIXEL_FORMAT_NONE;
  std::uint32_t attribute = 0;  // mip averaging: 0 plain, 1 and 2 alpha-weighted
  std::vector<Palette> palettes;
  std::vector<CG1TLevel> levels;
};

class CG1TTexture {
 public:
  CG1TTexture();
  CG1TTexture(const CG1TTexture&) = delete;
  CG1TTexture& operator=(const CG1TTexture&) = delete;

  // A texture with number -1 was never set up; every change refuses on it.
  bool IsInitialized() const { return m_number >= 0; }
  bool IsFixed() const { return m_fixed; }
  bool IsModified() const { return m_modified; }
  std::int32_t GetNumber() const { return m_number; }
  std::int32_t GetNumberAsRead() const { return m_numberAsRead; }
  std::int32_t GetPlatform() const { return m_platform; }
  std::int32_t GetPixelFormat() const { return m_format; }
  std::int32_t GetPaletteFormat() const { return m_paletteFormat; }
  const std::uint8_t* GetHeader() const { return m_header; }
  bool HasExtendedHeader() const { return (m_header[7] >> 4) == 1; }
  const G1TExtendedHeader& GetExtendedHeader() const { return m_extended; }
  std::uint32_t GetColorSpaceFlag() const { return m_extended.bits >> 24; }
  bool IsCubeMap() const { return (m_header[0] & 0x0F) == 1; }
  const std::vector<CG1TExtraRecord>& GetExtraRecords() const { return m_records; }
  const std::vector<CG1TSurface>& GetSurfaces() const { return m_surfaces; }
  const std::wstring& GetName() const { return m_name; }
  const std::wstring& GetSecondName() const { return m_secondName; }

  // Set the format pair as it is (no checks beyond a fixed or uninitialised
  // texture) and mark the texture modified.
  bool SetFormats(std::int32_t format, std::int32_t paletteFormat);
  bool SetPixelFormat(std::int32_t format);
  // Accepts only palette colour formats (see zfx::SetPaletteFormat).
  bool SetPaletteFormat(std::int32_t paletteFormat);
  bool SetPlatform(std::int32_t platform);
  // The name change is first put to the user data ("+Name", old, new).
  bool SetName(const std::wstring& name);
  // The name that decides the colour-space flag when written.
  bool SetSecondName(const std::wstring& name);
  bool SetExtraRecords(std::vector<CG1TExtraRecord> records);
  // Gives every face mipCount levels; levels that are new hold nothing and
  // are generated from level 0 when the texture is written.
  bool SetMipCount(std::uint32_t mipCount);
  void SetModified() {
    if (IsInitialized() && !m_fixed) m_modified = true;
  }
  void SetFixed(bool fixed) { m_fixed = fixed; }

 private:
  friend class CG1TFileImpl;

  std::uint8_t m_header[8];
  G1TExtendedHeader m_extended{kG1TExtendedHeaderSize, 0.0f, 0};
  std::vector<std::uint8_t> m_extendedTail;  // bytes of a longer extended header, carried through
  bool m_fixed = false;
  bool m_modified = false;
  std::int32_t m_number = -1;
  std::int32_t m_numberAsRead = -1;
  std::int32_t m_platform = kPlatformNotSet;
  std::int32_t m_format = TQR_PIXEL_FORMAT_NONE;
  std::int32_t m_paletteFormat = TQR_PIXEL_FORMAT_NONE;
  CClassCallbackBase* m_userData = nullptr;
  std::wstring m_name;
  std::wstring m_secondName;
  std::vector<CG1TExtraRecord> m_records;
  std::vector<CG1TSurface> m_surfaces;
};

// Checks that format is a palette colour format and stores it in
// paletteFormat; otherwise prints the format's short name to the debug
// writer and returns false.
bool SetPaletteFormat(std::int32_t& paletteFormat, std::int32_t format);

// True when name picks sRGB for the colour-space flag.
bool IsSrgbTextureName(const std::wstring& name);

// "*" matches any run of characters, "?" any one.
bool MatchWildcard(const std::wstring& pattern, const std::wstring& text);

class CG1TFileImpl {
 public:
  CG1TFileImpl();
  CG1TFileImpl(const CG1TFileImpl&) = delete;
  CG1TFileImpl& operator=(const CG1TFileImpl&) = delete;

  // Reads a G1T file at the reader's position; the bytes read, 0 on failure
  // (and the object holds no textures then).
  std::uint32_t Read(CBinaryReaderFromMemory& reader);
  // Writes the file at the writer's position; the bytes written, 0 when they
  // did not fit. A counting writer gives the size a buffer needs.
  std::uint32_t Write(CBinaryWriterBase& writer);

  std::uint32_t GetTextureCount() const { return m_textureCount; }
  // The texture numbered number, or a shared placeholder that is fixed and
  // uninitialised, so every operation on it refuses.
  CG1TTexture& GetTexture(std::int32_t number);

  // Level 0 of the texture's first face into a CImage (floats) or a
  // CClassicImage (bytes); a face with palettes as indexed data.
  bool GetImage(const CG1TTexture& texture, CImageBase& image);
  // Replaces the texture by one plain face of one level holding the image.
  bool SetImage(CG1TTexture& texture, const CImageBase& image);
  bool SetPlatform(std::int32_t platform);
  bool SetPixelFormat(std::int32_t format);
  bool AddTexture();
  // Checks the file for its platform, repairing unsupported formats; the
  // reason of a failure is reported through ReportError.
  bool Validate();
  // The codes the last Validate reported, in order, for callers that show
  // them (ReportError itself shows nothing).
  const std::vector<std::int32_t>& GetReportedCodes() const { return m_reportedCodes; }

  const std::string& GetMagic() const { return m_magic; }
  const std::string& GetVersion() const { return m_version; }
  std::uint32_t GetFileSize() const { return m_fileSize; }
  std::uint32_t GetHeaderSize() const { return m_headerSize; }
  std::int32_t GetPlatform() const { return m_platform; }
  std::uint32_t GetExtraDataSize() const { return m_extraDataSize; }
  const std::vector<std::uint32_t>& GetAttributeWords() const { return m_attributes; }
  const std::vector<std::uint32_t>& GetOffsets() const { return m_offsets; }
  // Sets the version written ("0060" by default); four decimal digits.
  bool SetVersion(const std::string& version);

 private:
  struct WritePlan;

  bool OnRename(const CClassCallbackBase::Arguments& args);
  bool RebuildIndex();
  bool ReadBody(CBinaryReaderFromMemory& reader);
  bool ReadTexture(CBinaryReaderFromMemory& reader, std::uint32_t end, std::int32_t number);
  bool ReadExtraRecords(const std::vector<std::uint8_t>& extra, bool bigEndian);
  bool ReadPaletteList(CBinaryReaderFromMemory& reader, std::uint32_t end);
  bool PrepareWrite(WritePlan& plan);
  bool WritePass(CBinaryWriterBase& writer, const WritePlan& plan);
  void Reset();
  void Report(std::int32_t code);

  std::string m_magic = "G1TG";
  std::string m_version = "0060";
  std::uint32_t m_fileSize = 0;
  std::uint32_t m_headerSize = 0;
  std::uint32_t m_textureCount = 0;
  std::int32_t m_platform = kPlatformNotSet;
  std::uint32_t m_extraDataSize = 0;
  std::vector<std::uint32_t> m_attributes;
  std::vector<std::unique_ptr<CG1TTexture>> m_textures;
  std::map<std::int32_t, std::size_t> m_index;
  bool m_indexDirty = false;
  bool m_renameSuppressed = true;
  CClassCallback<CG1TFileImpl> m_renameCallback;
  // Learnt by the counting pass of a write.
  std::vector<std::uint32_t> m_offsets;
  std::uint32_t m_paletteHeaderSize = 0;
  std::vector<std::int32_t> m_reportedCodes;
};

}  // namespace zfx
