// The user's editable copies of the face archives: on the first run the three
// editable archives that the game ships in its data folder are copied into
// the user folder's "GRP" folder, and the large copy's info records are
// prepared. The document's load runs this with its progress window; the
// tool runs it before its first write.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace kaocg_func {

enum class PrepareResult {
  kOk,           // every copy exists (made now or before)
  kCopyFailed,   // a shipped editable archive could not be copied
  kPrepareFailed // the large copy could not be prepared; it was deleted
};

// For each size, large first: when the copy "GRP\EDIT_KAO_?.S13" of the user
// folder does not exist, creates its folders with createDirectoryPath, copies
// the data folder's archive over it and, for the large one, runs
// PrepareLargeCopy. step is called once per size, also when nothing was
// copied. Stops at the first failure.
PrepareResult PrepareEditableArchives(const std::string& userFolder, const std::string& dataFolder,
                                      const std::function<bool(std::string_view)>& createDirectoryPath,
                                      const std::function<void()>& step = {});

// Sets both 16-bit numbers of every info record of the large copy to 240,
// then makes the copy read-only. False when it cannot be opened. At most the
// 1,100 records of an editable archive are rewritten, and only where the file
// holds them whole, so a damaged header neither makes the copy grow nor
// overwrites its entries.
bool PrepareLargeCopy(const std::string& userFolder);

}  // namespace kaocg_func
