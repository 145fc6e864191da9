// CDIB, the editor's in-memory picture: an uncompressed bitmap in the Windows
// DIB memory layout (a 40-byte info header with its colour table, then the
// pixel rows), and CDIBPal, the logical palette of a picture with a colour
// table. Every picture that moves between the readers, the range selection,
// the face archives and the thumbnails is a CDIB.
//
// Drawing belongs to the window system: the GUI layer turns a CDIB into what
// it paints. This class keeps the pixel data and the operations on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>

#include "import/DibTypes.h"

// A rectangle with exclusive right and bottom edges.
struct CDIBRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const CDIBRect&, const CDIBRect&) = default;
};

// Thrown by ReadBits when the file has fewer bytes than asked for; Load
// catches it.
struct CFileException {
  const char* what;
};

class CDIB {
 public:
  CDIB();
  virtual ~CDIB();
  CDIB(const CDIB&) = delete;
  CDIB& operator=(const CDIB&) = delete;

  // The class name the picture was created from ("CDIB", "CSprite",
  // "CPhasedSprite"), and creation by that name (null for any other name).
  virtual const char* GetRuntimeClassName() const { return "CDIB"; }
  static std::unique_ptr<CDIB> CreateObject(const char* className);

  // Loads from the stream's current position when loading, saves otherwise.
  virtual bool Serialize(std::iostream& archive, bool loading);

  // Called after every (re)creation, load and read-back.
  virtual void OnBitsChanged() {}

  // Makes this picture an independent copy of src (a phased sprite gives its
  // current phase). False when an allocation fails; the picture then keeps
  // its previous state.
  virtual bool Copy(const CDIB& src);

  // Address of pixel (x, y), y counted from the top row; null outside the
  // picture. For 4- and 1-bit pictures the byte that holds the pixel.
  virtual std::uint8_t* GetPixelAddress(int x, int y);
  const std::uint8_t* GetPixelAddress(int x, int y) const {
    return const_cast<CDIB*>(this)->GetPixelAddress(x, y);
  }

  // DIB files. Load reads from the stream's current position and, on
  // success, replaces the picture (bottom-up unless the file stores its rows
  // top first); on any failure the picture stays as it was.
  virtual bool LoadFromFile(const std::filesystem::path& name);
  virtual bool Load(std::istream& file);
  virtual bool Save(std::ostream& file) const;
  // failureText, when given, receives the text to show on failure ("Failed to
  // open file" or "Failed to save file"), or null on success.
  virtual bool SaveToFile(const std::filesystem::path& name, const char** failureText = nullptr) const;
  virtual bool WriteHeaders(std::ostream& file) const;
  virtual bool WriteBits(std::ostream& file) const;

  virtual int GetWidth() const;
  virtual int GetHeight() const;
  virtual CDIBRect GetRect() const;

  virtual bool Reserved1(int, int) { return true; }
  virtual bool Reserved2(int) { return true; }

  // Copies a w × h rectangle from (sx, sy) of this picture to (dx, dy) of
  // dst, converting between bit counts; pixels equal to transparent are not
  // written (−1: all are). The rectangle is clipped to both pictures.
  virtual void CopyRectTo(CDIB& dst, int dx, int dy, int w, int h, int sx, int sy,
                          std::int32_t transparent) const;

  // Stride × rows.
  virtual std::size_t GetBitsSize() const;

  virtual int GetPhase() const { return 0x7FFF; }
  virtual int SetPhase(int) { return 0x7FFF; }
  virtual int GetPhaseCount() const { return 0; }

  // Reads size bytes into a new block of max(size, stride × rows) bytes (the
  // rest zeroed). Throws CFileException on a short read.
  virtual std::unique_ptr<std::uint8_t[]> ReadBits(std::istream& file, const BITMAPINFOHEADER& info,
                                                   std::uint64_t size) const;

  virtual std::size_t GetStride() const;

  // Creates a picture of width × |height| pixels: a positive height makes a
  // top-down picture, a negative one bottom-up. With bits null the picture
  // allocates and owns zeroed pixels, otherwise it refers to bits, which must
  // hold stride × rows bytes and outlive the picture. Colour tables (bit
  // counts up to 8) start zeroed. False for a bit count other than 1, 4, 8,
  // 16, 24, 32, a negative width or a picture above the size cap.
  bool Create(int width, int height, void* bits, int bitCount);

  // Takes a 40-byte info header followed by its colour table. A negative
  // biHeight makes a top-down picture. With copy set the picture owns a copy
  // of the stride × rows bytes at bits (zeroed when bits is null); otherwise
  // it refers to bits.
  bool CreateFromInfo(const BITMAPINFOHEADER* info, const void* bits, bool copy);

  // Sets every pixel: a colour reference (0x00BBGGRR) for 16 and 24 bits, a
  // colour table index for 8, 4 and 1 bits; 32-bit pictures are left alone.
  void Fill(std::uint32_t colour);

  bool IsEmpty() const { return !info_; }
  const BITMAPINFOHEADER* GetInfo() const { return info_.get(); }
  int GetBitCount() const { return info_ ? info_->biBitCount : 0; }
  bool IsTopDown() const { return topDown_ != 0; }
  bool OwnsBits() const { return ownBits_ != 0; }
  std::uint8_t* GetBits() { return bits_; }
  const std::uint8_t* GetBits() const { return bits_; }
  // The colour table and its entry count (0 when the picture has none).
  RGBQUAD* GetColorTable();
  const RGBQUAD* GetColorTable() const;
  std::uint32_t GetColorCount() const;

 protected:
  // Replaces the info header by a fresh one of infoBytes bytes (the colour
  // table part zeroed) with biBitCount 8; a negative height sets the
  // top-down flag. It leaves the pixel array as it was, so it only serves
  // the creation steps that give the picture matching pixels right after.
  bool AllocInfo(int width, int height, std::size_t infoBytes);

  // Makes this picture a plain copy of src's pixels; OnBitsChanged is called
  // once the pixels and the orientation are in place.
  bool CopyWhole(const CDIB& src);

  struct InfoDeleter {
    void operator()(BITMAPINFOHEADER* p) const;
  };
  void ReleaseBits();

  std::unique_ptr<BITMAPINFOHEADER, InfoDeleter> info_;
  std::size_t infoBytes_ = 0;
  std::uint8_t* bits_ = nullptr;
  std::uint32_t ownBits_ = 0;
  std::uint32_t topDown_ = 0;
};

// The logical palette of a picture with 256 or fewer colours. There is no
// platform palette here: the attached palette is the list of entries that
// CreateFromDIB or LoadPalette made, which the GUI realises as it needs.
class CDIBPal {
 public:
  CDIBPal();
  virtual ~CDIBPal() = default;

  // False when the picture has no colour table.
  bool CreateFromDIB(const CDIB& dib);
  virtual bool LoadPalette(std::istream& file);
  virtual bool SavePalette(std::ostream& file) const;

  bool IsAttached() const { return attachedCount_ != 0; }
  int GetEntryCount() const { return attachedCount_; }
  // The attached palette's entries (GetEntryCount of them).
  const PALETTEENTRY* GetPaletteEntries() const { return attached_.get(); }
  // The member array of 256 entries, filled whenever a palette is created.
  const PALETTEENTRY* GetEntries() const { return entries_; }

 private:
  void Attach(std::unique_ptr<PALETTEENTRY[]> entries, int count);

  PALETTEENTRY entries_[256];
  std::unique_ptr<PALETTEENTRY[]> attached_;
  int attachedCount_ = 0;
};
