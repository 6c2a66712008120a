#include "extract/ExtractItems.h"

#include "archive/Archive.h"
#include "decode/FolderDecoder.h"
#include "extract/EntryWriter.h"
#include "extract/FolderOutStream.h"
#include "support/Fatal.h"

namespace {

// One step of the plan: a single entry outside every folder, or a folder's run of entries.
struct ExtractionTask {
  int32_t fileIndex;
  int32_t folderIndex;
  uint32_t itemCount;
};

}  // namespace

void ExtractItems(Archive& archive, uint32_t itemCount, EntryWriter& writer) {
  if (itemCount == 0) return;
  const ArchiveDatabase& db = archive.Database;

  // Directories and anti-items have no bytes; every file's size is known before the first.
  uint64_t totalBytes = 0;
  for (uint32_t i = 0; i < itemCount; ++i)
    if (!db.Files[i].IsDirectory && !db.Files[i].IsAnti) totalBytes += db.Files[i].Size;
  writer.handles->Expect(totalBytes);

  ItemVector<ExtractionTask> plan;
  for (uint32_t i = 0; i < itemCount; ++i) {
    int32_t folder = db.FileToFolder[i];
    if (folder < 0) {
      plan.Add(ExtractionTask{int32_t(i), -1, 1});
      continue;
    }
    if (plan.Count() == 0 || plan.Back().folderIndex != folder)
      plan.Add(ExtractionTask{-1, folder, 0});
    uint32_t span = i - db.FolderFirstFile[uint32_t(folder)] + 1;
    if (span > plan.Back().itemCount) plan.Back().itemCount = span;
  }

  for (uint32_t t = 0; t < plan.Count(); ++t) {
    const ExtractionTask& task = plan[t];
    bool single = task.folderIndex < 0;
    uint32_t folder = uint32_t(task.folderIndex);
    uint32_t firstItem = single ? uint32_t(task.fileIndex) : db.FolderFirstFile[folder];
    FolderOutStream stream;
    stream.Init(&db, firstItem, task.itemCount, &writer);
    if (single) continue;
    DecodeFolder(*archive.File, db.FolderStreamPosition(folder, 0),
                 db.PackSizes.Data() + db.FolderFirstPackStream[folder], db.Folders[folder],
                 &stream);
    if (uint32_t(stream.currentIndex) != task.itemCount)
      FatalError(FailureReason::FolderEndedBeforeEntries);
  }
}
