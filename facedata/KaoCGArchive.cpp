#include "facedata/KaoCGArchive.h"

#include <array>
#include <cstring>
#include <memory>

#include "facedata/Bushou.h"
#include "facedata/Installation.h"
#include "facedata/OfficerTable.h"
#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/Services.h"
#include "platform/Text.h"

namespace kaocg_func {
namespace {

enum class Folder { kData, kUserGrp, kUser };

struct ArchiveFile {
  const char* name;
  Folder folder;
};

constexpr std::array<ArchiveFile, kArchiveTypeCount> kArchiveFiles = {{
    {"KAO_L.s13", Folder::kData},
    {"KAO_M.s13", Folder::kData},
    {"KAO_S.s13", Folder::kData},
    {"EDIT_KAO_L.s13", Folder::kUserGrp},
    {"EDIT_KAO_M.s13", Folder::kUserGrp},
    {"EDIT_KAO_S.s13", Folder::kUserGrp},
    {"kaoedit.s13", Folder::kUser},
    {"kaoeditvt.s13", Folder::kUser},
}};

// The length limit counts characters as the system the files come from
// does: UTF-16 units, and the terminating NUL.
bool FitsPathLimit(std::string_view path) {
  return platform::Utf16Length(path) + 1 <= kMaxArchivePath;
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

std::uint32_t GetLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr unsigned kReadFlags = platform::kModeRead | platform::kShareExclusive;

// Reads one ID archive over an open file into table.
bool ReadArchive(platform::File* file, std::int32_t* table, int expansion) {
  CKaoCGIDArchive archive(table, expansion);
  archive.Attach(file);
  archive.SetMode(kModeRead);
  const bool ok = archive.SerializeHeader() && archive.SerializeBody();
  archive.Detach();
  return ok;
}

bool ReadIdArchive(const std::optional<std::string>& path, std::int32_t* table, int expansion,
                   const std::string& userFolder, const bushou_manager* roster) {
  const platform::Services& sys = platform::Current();
  bool probeOpened = false;
  if (path) probeOpened = sys.files->Open(*path, kReadFlags) != nullptr;
  if (!path) return ImportBaseEditionAssignments(userFolder, table, roster);
  std::unique_ptr<platform::File> file;
  if (probeOpened) {
    file = sys.files->Open(*path, kReadFlags);
  } else {
    // A file that is missing falls back to the base game's assignments. One
    // that exists but cannot be opened (another program holds it) is a
    // failure: importing the base game's assignments instead would show,
    // and at the next save write, faces that are not the user's.
    if (!sys.attributes->SetAttributes(*path, platform::kAttrNormal))
      return ImportBaseEditionAssignments(userFolder, table, roster);
    file = sys.files->Open(*path, kReadFlags);
  }
  if (!file) return false;
  return ReadArchive(file.get(), table, expansion);
}

// Writes a complete new archive beside the old one and renames it into
// place: a failure at any point (full disk, crash) leaves the old file as it
// was, where recreating the file in place would lose every assignment.
bool WriteIdArchive(const std::optional<std::string>& path, std::int32_t* table, int expansion) {
  if (!path) return false;
  const platform::Services& sys = platform::Current();
  // The old file must be ours to replace: writable (its read-only attribute
  // is cleared first, as the save always did) and held by no other program.
  // The handle keeps it locked until the new file is in place.
  std::unique_ptr<platform::File> guard;
  if (sys.attributes->GetAttributes(*path) != platform::kInvalidAttributes) {
    constexpr unsigned kGuardFlags = platform::kModeWrite | platform::kShareExclusive;
    guard = sys.files->Open(*path, kGuardFlags);
    if (!guard) {
      if (!sys.attributes->SetAttributes(*path, platform::kAttrNormal)) return false;
      guard = sys.files->Open(*path, kGuardFlags);
      if (!guard) return false;
    }
  }
  std::string temp;
  std::unique_ptr<platform::File> file = sys.files->CreateBeside(*path, &temp);
  if (!file) return false;
  CKaoCGIDArchive archive(table, expansion);
  archive.Attach(file.get());
  archive.SetMode(kModeWrite);
  bool ok = archive.SerializeHeader() && archive.SerializeBody();
  archive.Detach();
  ok = ok && !file->WriteFailed() && file->Flush();
  file.reset();
  if (ok) ok = sys.files->ReplaceFile(temp, *path);
  if (!ok) sys.files->DeleteFile(temp);
  return ok;
}

}  // namespace

std::optional<std::string> BuildArchivePath(int archiveType, std::string_view userFolder,
                                            std::string_view dataFolder) {
  if (archiveType < 0 || archiveType >= kArchiveTypeCount) return std::nullopt;
  const ArchiveFile& f = kArchiveFiles[static_cast<std::size_t>(archiveType)];
  std::string path;
  switch (f.folder) {
    case Folder::kData:
      path = std::string(dataFolder) + f.name;
      break;
    case Folder::kUserGrp:
      path = std::string(userFolder) + "GRP/" + f.name;
      break;
    case Folder::kUser:
      path = std::string(userFolder) + f.name;
      break;
  }
  if (!FitsPathLimit(path)) return std::nullopt;
  return path;
}

CKaoCGArchive::~CKaoCGArchive() { Detach(); }

std::size_t CKaoCGArchive::Transfer(void* buffer, std::size_t n) {
  if (!file_) return 0;
  if (mode_ == kModeRead) return file_->Read(buffer, n);
  if (mode_ == kModeWrite) return file_->Write(buffer, n) ? n : 0;
  return 0;
}

bool CKaoCGIDArchive::SerializeHeader() {
  const char* expected = expansion_ ? kIdHeaderExpansion : kIdHeaderBase;
  char header[kIdHeaderSize] = {};
  if (mode_ == kModeWrite) std::memcpy(header, expected, kIdHeaderSize);
  if (Transfer(header, kIdHeaderSize) != kIdHeaderSize) return false;
  return mode_ != kModeRead || std::memcmp(header, expected, kIdHeaderSize) == 0;
}

bool CKaoCGIDArchive::SerializeBody() {
  const int count = expansion_ ? kIdRecordsExpansion : kIdRecordsBase;
  for (int i = 0; i < count; ++i) {
    std::uint8_t record[8];
    PutLe32(record, static_cast<std::uint32_t>(i));
    PutLe32(record + 4, static_cast<std::uint32_t>(table_[i]));
    Transfer(record, 4);
    // A file that ends on a record boundary leaves the rest of the table as
    // it was; one that ends inside a value would store a value made of old
    // and new bytes, so it fails instead.
    const std::size_t valueBytes = Transfer(record + 4, 4);
    if (mode_ == kModeRead && valueBytes != 0 && valueBytes != 4) return false;
    const std::uint32_t slot = GetLe32(record);
    if (slot != static_cast<std::uint32_t>(i)) return false;
    table_[slot] = static_cast<std::int32_t>(GetLe32(record + 4));
  }
  return true;
}

bool TransferIdArchive(const std::string& userFolder, std::int32_t* table, int mode,
                       const bushou_manager* roster) {
  const kaocg::Installation& inst = kaocg::CurrentInstallation();
  const int expansion = kaocg::IsExpansion(inst.edition) ? 1 : 0;
  const auto path =
      BuildArchivePath(expansion ? kArchiveIdExpansion : kArchiveIdBase, userFolder, inst.dataFolder);
  if (mode == kModeRead) return ReadIdArchive(path, table, expansion, userFolder, roster);
  if (mode == kModeWrite) return WriteIdArchive(path, table, expansion);
  return false;
}

bool ImportBaseEditionAssignments(const std::string& userFolder, std::int32_t* table,
                                  const bushou_manager* roster) {
  const platform::Services& sys = platform::Current();
  const std::string path = userFolder + kArchiveFiles[kArchiveIdBase].name;
  bool ok = FitsPathLimit(path);
  const bool probeOpened = ok && sys.files->Open(path, kReadFlags) != nullptr;
  std::unique_ptr<platform::File> file;
  if (ok && !probeOpened) ok = sys.attributes->SetAttributes(path, platform::kAttrNormal);
  if (ok) {
    file = sys.files->Open(path, kReadFlags);
    ok = file != nullptr;
  }
  if (ok) ok = ReadArchive(file.get(), table, 0);
  file.reset();
  if (!ok || !roster) return ok;
  // Entries from the base game's file count as defaults; slots 1665 and 1670,
  // and 1685 while it holds the base game's default 4007, have other defaults
  // in the expansion, so they take the officer's default of this edition.
  for (int i = 0; i < roster->GetCount(); ++i) {
    const bushou* officer = roster->GetOfficer(i);
    if (!officer || !officer->IsValid()) continue;
    const int s = officer->GetSlot();
    if (s < 0 || s >= kIdTableSize) continue;
    if (s == 1665 || s == 1670 || (s == 1685 && table[1685] == 4007) || table[s] == kNoEntry)
      table[s] = officer->GetDefaultFace();
    table[s] = static_cast<std::int32_t>(static_cast<std::uint32_t>(table[s]) | kDefaultMarker);
  }
  return ok;
}

}  // namespace kaocg_func
