// The archive classes shared by the face CG ID archive and the image
// archives: one transfer path for reading and writing, and the paths of the
// eight archive files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {
class File;
}
class bushou_manager;

namespace kaocg_func {

// Transfer modes.
inline constexpr int kModeRead = 0;
inline constexpr int kModeWrite = 1;

// Archive types: every archive file is named by one.
inline constexpr int kArchiveKaoL = 0;       // shipped large faces, data folder
inline constexpr int kArchiveKaoM = 1;       // shipped medium faces
inline constexpr int kArchiveKaoS = 2;       // shipped small faces
inline constexpr int kArchiveEditKaoL = 3;   // editable large faces, user folder + "GRP/"
inline constexpr int kArchiveEditKaoM = 4;   // editable medium faces
inline constexpr int kArchiveEditKaoS = 5;   // editable small faces
inline constexpr int kArchiveIdBase = 6;     // "kaoedit.s13", user folder
inline constexpr int kArchiveIdExpansion = 7;  // "kaoeditvt.s13", user folder
inline constexpr int kArchiveTypeCount = 8;

// A composed path, its terminating NUL included, may be at most this long.
inline constexpr std::size_t kMaxArchivePath = 1024;

// The path of an archive file; nullopt when the type is above 7 or the path
// would be too long. Both folders end in a separator.
std::optional<std::string> BuildArchivePath(int archiveType, std::string_view userFolder,
                                            std::string_view dataFolder);

// An archive over a file that the caller attaches for one transfer. The file
// is never owned: destroying the archive detaches it and leaves it open.
class CKaoCGArchive {
 public:
  CKaoCGArchive() = default;
  virtual ~CKaoCGArchive();
  CKaoCGArchive(const CKaoCGArchive&) = delete;
  CKaoCGArchive& operator=(const CKaoCGArchive&) = delete;

  virtual bool SerializeHeader() = 0;
  virtual bool SerializeBody() = 0;

  void Attach(platform::File* file) { file_ = file; }
  void Detach() { file_ = nullptr; }
  platform::File* GetFile() const { return file_; }
  void SetMode(int mode) { mode_ = mode; }
  int GetMode() const { return mode_; }

  // Reads up to n bytes into buffer (read mode) or writes the n bytes of
  // buffer (write mode); the number of bytes moved. 0 without a file, in any
  // other mode, and when a write fails.
  std::size_t Transfer(void* buffer, std::size_t n);

 protected:
  platform::File* file_ = nullptr;
  int mode_ = kModeRead;
};

// The face CG ID archive: a 16-byte header text and one (slot, value) record
// per ID slot.
inline constexpr int kIdTableSize = 2600;  // entries of every caller's table
inline constexpr int kIdRecordsBase = 2370;
inline constexpr int kIdRecordsExpansion = 2600;
inline constexpr char kIdHeaderBase[] = "kaoedit v1      ";
inline constexpr char kIdHeaderExpansion[] = "kaoeditvt v1    ";
inline constexpr std::size_t kIdHeaderSize = 16;
static_assert(sizeof(kIdHeaderBase) == kIdHeaderSize + 1);
static_assert(sizeof(kIdHeaderExpansion) == kIdHeaderSize + 1);
inline constexpr std::int32_t kNoEntry = -1;
inline constexpr std::uint32_t kDefaultMarker = 0x80000000u;  // bit 31 of a value

class CKaoCGIDArchive final : public CKaoCGArchive {
 public:
  // table: kIdTableSize entries, not owned; expansion: 0 or 1.
  CKaoCGIDArchive(std::int32_t* table, int expansion) : table_(table), expansion_(expansion) {}

  bool SerializeHeader() override;
  bool SerializeBody() override;

 private:
  std::int32_t* table_;
  int expansion_;
};

// Reads (kModeRead) or writes (kModeWrite) the ID archive of the installed
// edition into or from table (kIdTableSize entries). Reading leaves entries
// the file does not carry as they were; when the edition's file is missing it
// falls back to ImportBaseEditionAssignments over roster. Writing puts a
// complete new file in place of the old one, which stays untouched when the
// write fails.
bool TransferIdArchive(const std::string& userFolder, std::int32_t* table, int mode,
                       const bushou_manager* roster = nullptr);

// Reads the base game's ID archive into table and marks every entry of the
// roster's officers as a default (see the source for the three slots whose
// defaults differ between the editions). Writes nothing.
bool ImportBaseEditionAssignments(const std::string& userFolder, std::int32_t* table,
                                  const bushou_manager* roster);

}  // namespace kaocg_func
