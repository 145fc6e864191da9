#include "facedata/Bushou.h"

#include <algorithm>
#include <array>

#include "facedata/Installation.h"
#include "facedata/KaoCGArchive.h"
#include "facedata/OfficerTable.h"
#include "platform/Text.h"

namespace {

// One range of face numbers, end excluded, and the image number of its first
// face in each size.
struct FaceRange {
  int start;
  int end;
  std::array<int, 3> first;  // small, medium, large
};

constexpr std::array<FaceRange, 9> kBaseRanges = {{
    {0, 1192, {6218, 4761, 3304}},
    {4000, 4024, {7410, 5953, 4496}},
    {5001, 5013, {7433, 5976, 4519}},
    {6000, 6027, {7445, 5988, 4531}},
    {6050, 6052, {7472, 6015, 4558}},
    {6090, 6095, {7474, 6017, 4560}},
    {7000, 7016, {7479, 6022, 4565}},
    {8000, 8180, {7495, 6038, 4581}},
    {1700, 2800, {2203, 1102, 1}},
}};

constexpr std::array<FaceRange, 9> kExpansionRanges = {{
    {0, 1338, {6502, 4903, 3304}},
    {4000, 4024, {7819, 6220, 4621}},
    {5001, 5013, {7843, 6244, 4645}},
    {6000, 6036, {7855, 6256, 4657}},
    {6050, 6052, {7891, 6292, 4693}},
    {6095, 6106, {7893, 6294, 4695}},
    {7000, 7016, {7904, 6305, 4706}},
    {8000, 8180, {7920, 6321, 4722}},
    {1700, 2800, {2203, 1102, 1}},
}};

// In the expansion the faces 1198 to 1337 reuse the pictures 21 places
// earlier.
constexpr int kExpansionShiftFirst = 1198;
constexpr int kExpansionShiftLast = 1337;
constexpr int kExpansionShift = 21;

// Slots that belong to no officer and receive these faces at every save.
struct FixedExtras {
  int firstSlot;
  int count;
  int firstFace;
};
constexpr FixedExtras kBaseExtras = {1500, 5, 6090};
constexpr FixedExtras kExpansionExtras = {1350, 11, 6095};

constexpr char16_t kChangedMark[] = u"(変更)";

kaocg::OfficerTableView Table() { return kaocg::OfficerTableOf(kaocg::CurrentInstallation().edition); }

// The face saved for an officer: the two fixed slots always carry theirs.
int FixedFaceOr(int slot, int face) {
  if (slot == kaocg::kFixedSlotFaceZero) return 0;
  if (slot == kaocg::kFixedSlotFace6026) return kaocg::kFixedFace6026;
  return face;
}

}  // namespace

namespace kaocg {

OfficerTableView OfficerTableOf(int edition) {
  if (IsExpansion(edition)) return {kExpansionOfficers, kExpansionOfficerCount};
  return {kBaseOfficers, kBaseOfficerCount};
}

}  // namespace kaocg

int FaceToImageNumber(int face, int size, int edition) {
  if (size < 0 || size > 2) return -1;
  const bool expansion = kaocg::IsExpansion(edition);
  const auto& ranges = expansion ? kExpansionRanges : kBaseRanges;
  for (const FaceRange& r : ranges) {
    if (face < r.start || face >= r.end) continue;
    int n = face;
    if (expansion && n >= kExpansionShiftFirst && n <= kExpansionShiftLast) n -= kExpansionShift;
    return r.first[static_cast<std::size_t>(size)] + n - r.start;
  }
  return -1;
}

int FaceToImageNumber(int face, int size) {
  return FaceToImageNumber(face, size, kaocg::CurrentInstallation().edition);
}

bool bushou::IsValid() const {
  return index_ >= 0 && static_cast<std::size_t>(index_) < Table().count;
}

int bushou::GetSlot() const { return IsValid() ? Table().rows[index_].slot : -1; }

std::u16string_view bushou::GetName() const {
  return IsValid() ? std::u16string_view(Table().rows[index_].name) : std::u16string_view();
}

std::string bushou::GetNameUtf8() const { return platform::Utf16ToUtf8(GetName()); }

int bushou::GetDefaultFace() const { return IsValid() ? Table().rows[index_].defaultFace : -1; }

const char16_t* bushou::GetDisplayName() {
  std::fill(std::begin(displayName_), std::end(displayName_), u'\0');
  if (!IsValid()) return displayName_;
  std::u16string text(GetName());
  if (face_ != savedFace_) text += kChangedMark;
  // Names are at most 6 characters, so the mark always fits; a longer name
  // is cut rather than overrun the buffer.
  const std::size_t n = std::min<std::size_t>(text.size(), kaocg::kDisplayNameLength - 1);
  std::copy_n(text.begin(), n, displayName_);
  return displayName_;
}

int bushou::GetSmallImageNumber() const {
  return FaceToImageNumber(FixedFaceOr(GetSlot(), face_), kaocg::kFaceSizeSmall);
}

bushou_manager::~bushou_manager() = default;

bool bushou_manager::Init() {
  officers_.clear();
  const std::size_t count = Table().count;
  storage_ = std::make_unique<bushou[]>(count);
  officers_.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    bushou& b = storage_[i];
    officers_[i] = &b;
    b.SetIndex(static_cast<int>(i));
    b.SetFace(b.GetDefaultFace());
    b.SetSavedFace(b.GetFace());
  }
  return true;
}

bushou* bushou_manager::GetOfficer(int i) const {
  if (i < 0 || i >= GetCount()) return nullptr;
  return officers_[static_cast<std::size_t>(i)];
}

bool bushou_manager::LoadFaces(const std::string& userFolder) {
  std::array<std::int32_t, kaocg_func::kIdTableSize> table;
  table.fill(kaocg_func::kNoEntry);
  if (!kaocg_func::TransferIdArchive(userFolder, table.data(), kaocg_func::kModeRead, this))
    return false;
  for (bushou* b : officers_) {
    if (!b->IsValid()) continue;
    const int slot = b->GetSlot();
    if (slot < 0 || slot >= kaocg_func::kIdTableSize) continue;
    const auto v = static_cast<std::uint32_t>(table[static_cast<std::size_t>(slot)]);
    const int face = static_cast<int>(v & ~kaocg_func::kDefaultMarker);
    if (slot != kaocg::kFixedSlotFaceZero && slot != kaocg::kFixedSlotFace6026) b->SetFace(face);
    // An entry with the default marker did not come from a save of ours: it
    // keeps the default as its saved face, so a differing face shows as
    // changed until saved.
    if ((v & kaocg_func::kDefaultMarker) == 0) b->SetSavedFace(b->GetFace());
  }
  return true;
}

void bushou_manager::BuildSaveTable(std::int32_t* table) const {
  std::fill_n(table, kaocg_func::kIdTableSize, kaocg_func::kNoEntry);
  for (const bushou* b : officers_) {
    if (!b->IsValid()) continue;
    const int slot = b->GetSlot();
    if (slot < 0 || slot >= kaocg_func::kIdTableSize) continue;
    table[slot] = FixedFaceOr(slot, b->GetFace());
  }
  const FixedExtras& extras = kaocg::ExpansionInstalled() ? kExpansionExtras : kBaseExtras;
  for (int k = 0; k < extras.count; ++k) table[extras.firstSlot + k] = extras.firstFace + k;
}

bool bushou_manager::SaveFaces(const std::string& userFolder) {
  std::array<std::int32_t, kaocg_func::kIdTableSize> table;
  BuildSaveTable(table.data());
  if (!kaocg_func::TransferIdArchive(userFolder, table.data(), kaocg_func::kModeWrite, this))
    return false;
  for (bushou* b : officers_)
    if (b->IsValid()) b->SetSavedFace(b->GetFace());
  return true;
}

bool bushou_manager::IsModified() const {
  return std::any_of(officers_.begin(), officers_.end(), [](const bushou* b) {
    return b->IsValid() && b->GetFace() != b->GetSavedFace();
  });
}

bool bushou_manager::DiffersFromDefault() const {
  return std::any_of(officers_.begin(), officers_.end(), [](const bushou* b) {
    return b->IsValid() && b->GetFace() != b->GetDefaultFace();
  });
}
