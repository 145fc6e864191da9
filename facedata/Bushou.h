// The officer roster: every officer of the installed edition with the face
// shown now and the face last loaded or saved, and the mapping from face
// numbers to image numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kaocg {
inline constexpr int kFixedSlotFaceZero = 338;    // always shows face 0
inline constexpr int kFixedSlotFace6026 = 2274;   // always shows face 6026 (expansion only)
inline constexpr int kFixedFace6026 = 6026;
inline constexpr int kFaceSizeSmall = 0;
inline constexpr int kFaceSizeMedium = 1;
inline constexpr int kFaceSizeLarge = 2;
inline constexpr int kUserFaceFirst = 1700;  // user slot = face number - 1700
inline constexpr int kUserFaceLast = 2799;
inline constexpr int kDisplayNameLength = 12;  // UTF-16 units, terminator included
}  // namespace kaocg

// The image number of a face in one size (0 small, 1 medium, 2 large) for the
// installed edition, or -1 when the size is another or no range holds the
// face.
int FaceToImageNumber(int face, int size);
// The same for a given edition.
int FaceToImageNumber(int face, int size, int edition);

// One officer. The name, ID slot and default face come from the officer
// table of the installed edition.
class bushou {
 public:
  bushou() = default;
  virtual ~bushou() = default;

  bool IsValid() const;
  int GetSlot() const;
  std::u16string_view GetName() const;  // empty when not valid
  std::string GetNameUtf8() const;
  int GetDefaultFace() const;
  // The name, followed by "(変更)" when face differs from saved face;
  // refreshed on every call. Empty when not valid.
  const char16_t* GetDisplayName();
  int GetSmallImageNumber() const;

  int GetFace() const { return face_; }
  void SetFace(int face) { face_ = face; }
  int GetSavedFace() const { return savedFace_; }
  void SetSavedFace(int face) { savedFace_ = face; }
  int GetIndex() const { return index_; }
  void SetIndex(int index) { index_ = index; }

 private:
  int face_ = -1;
  int savedFace_ = -1;
  int index_ = -1;
  char16_t displayName_[kaocg::kDisplayNameLength] = {};
};

// The roster: the officers in officer-index order.
class bushou_manager {
 public:
  bushou_manager() = default;
  virtual ~bushou_manager();
  bushou_manager(const bushou_manager&) = delete;
  bushou_manager& operator=(const bushou_manager&) = delete;

  // One officer per row of the installed edition's table, each showing its
  // default face. Always true.
  bool Init();
  int GetCount() const { return static_cast<int>(officers_.size()); }
  // The officer at position i, or null outside 0 .. GetCount() - 1.
  bushou* GetOfficer(int i) const;

  // Reads the faces from the ID archive; false (officers unchanged) when it
  // cannot be read.
  bool LoadFaces(const std::string& userFolder);
  // Writes every officer's face and the fixed extra slots to the ID archive;
  // on success every saved face becomes the face.
  bool SaveFaces(const std::string& userFolder);
  // Fills table (kIdTableSize entries) as SaveFaces writes it.
  void BuildSaveTable(std::int32_t* table) const;

  bool IsModified() const;
  bool DiffersFromDefault() const;

 private:
  std::vector<bushou*> officers_;
  // The roster owns its officers as one array, so that no owner can forget
  // to release them.
  std::unique_ptr<bushou[]> storage_;
};
