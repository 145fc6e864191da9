#include "facedata/EditableArchives.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "facedata/ImageArchiveFormat.h"
#include "facedata/LinkArchive.h"
#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/Services.h"

namespace kaocg_func {
namespace {

// The copy step spells the files this way; names match without regard to
// letter case.
const char* const kEditableNames[kFaceSizeCount] = {"EDIT_KAO_L.S13", "EDIT_KAO_M.S13", "EDIT_KAO_S.S13"};

}  // namespace

bool PrepareLargeCopy(const std::string& userFolder) {
  const platform::Services& sys = platform::Current();
  const std::string path = userFolder + "GRP\\" + kEditableNames[0];
  sys.attributes->SetAttributes(path, platform::kAttrNormal);
  {
    std::unique_ptr<platform::File> file = sys.files->Open(path, platform::kModeReadWrite);
    if (!file) return false;
    uint8_t header[kLinkHeaderBytes] = {};
    file->Read(header, sizeof header);
    // An editable archive has exactly 1,100 info records; a damaged count
    // must not make the loop rewrite the entries behind the table.
    const uint32_t count = std::min(LoadLE32(header + 4), kUserSlotCount);
    const uint32_t infoTable = LoadLE32(header + 16);
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t at = uint64_t{infoTable} + uint64_t{kLinkInfoRecordBytes} * i;
      uint8_t record[kLinkInfoRecordBytes];
      if (!file->Seek(at) || file->Read(record, sizeof record) != sizeof record) break;
      StoreLE16(record + 8, kLargeInfoRecordValue);
      StoreLE16(record + 10, kLargeInfoRecordValue);
      if (!file->Seek(at) || !file->Write(record, sizeof record)) break;
    }
  }
  sys.attributes->SetAttributes(path, platform::kAttrReadOnly);
  return true;
}

PrepareResult PrepareEditableArchives(const std::string& userFolder, const std::string& dataFolder,
                                      const std::function<bool(std::string_view)>& createDirectoryPath,
                                      const std::function<void()>& step) {
  const platform::Services& sys = platform::Current();
  for (int k = 0; k < kFaceSizeCount; ++k) {
    const std::string target = userFolder + "GRP\\" + kEditableNames[k];
    if (sys.attributes->GetAttributes(target) == platform::kInvalidAttributes) {
      createDirectoryPath(target);
      if (!sys.files->CopyFile(dataFolder + kEditableNames[k], target, false)) return PrepareResult::kCopyFailed;
      if (k == 0 && !PrepareLargeCopy(userFolder)) {
        sys.files->DeleteFile(target);
        return PrepareResult::kPrepareFailed;
      }
    }
    if (step) step();
  }
  return PrepareResult::kOk;
}

}  // namespace kaocg_func
