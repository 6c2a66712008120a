#include "extract/EntryWriter.h"

#include "archive/Archive.h"
#include "extract/ItemPath.h"
#include "extract/ItemProperty.h"
#include "extract/OutputFile.h"
#include "support/Fatal.h"
#include "support/FileFinder.h"
#include "support/MemAlloc.h"

// Clears every attribute (read-only, hidden, system) so that the file can be deleted.
static bool ForceDeleteFile(const WideString& path) {
  if (!SetFileAttributesA(path.ToAnsi(), 0)) return false;
  return DeleteFileA(path.ToAnsi()) != 0;
}

// Makes the first count parts below the output directory. The directories the previous entry
// made or found are not made again: most entries share their parent with the one before, and
// each attempt is a call on the whole path. A part that cannot be made is forgotten, so that
// the next entry tries it again.
void EntryWriter::MakeDirectories(const ItemVector<WideString>& parts, uint32_t count) {
  uint32_t known = 0;
  while (known < count && known < madeDirectories.Count() &&
         parts[known].Compare(madeDirectories[known]) == 0)
    ++known;
  while (madeDirectories.Count() > known) madeDirectories.RemoveLast();
  WideString path(outputDirectory);
  for (uint32_t i = 0; i < count; ++i) {
    path.Append(parts[i]);
    if (i >= known) {
      bool exists = CreateDirectoryA(path.ToAnsi(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS;
      if (exists && madeDirectories.Count() == i) madeDirectories.Add(parts[i]);
    }
    path.AppendUnit('\\');
  }
}

void EntryWriter::Init(Archive* archiveIn, const WideString& outputDirectoryIn,
                           FILETIME defaultLastWriteTimeIn, uint32_t defaultAttributesIn,
                           const HandleKeeper& handlesIn) {
  archive = archiveIn;
  outputDirectory = outputDirectoryIn;
  defaultLastWriteTime = defaultLastWriteTimeIn;
  defaultAttributes = defaultAttributesIn;
  handles = &handlesIn;
}

// Deletes the file at diskPath, whatever its attributes; true when there was one. One that
// cannot be deleted ends the run.
bool EntryWriter::RemoveFileInTheWay() {
  WIN32_FIND_DATAA record;
  if (!FindPath(diskPath.ToAnsi(), &record)) return false;
  if (!ForceDeleteFile(diskPath))
    ReportFatal("Can not delete output file", FailureReason::FileInTheWayNotDeleted);
  return true;
}

OutputFile* EntryWriter::GetItemOutput(uint32_t itemIndex) {
  openFile = nullptr;
  const ItemProperties item = GetItemProperties(*archive, itemIndex);
  const WideString& itemPath = item.Path;
  attributes = item.AttributesDefined ? item.Attributes : defaultAttributes;
  isDirectory = item.IsDirectory;
  const bool isAnti = item.IsAnti;
  lastWriteTime = item.LastWriteTimeDefined ? item.LastWriteTime : defaultLastWriteTime;

  ItemVector<WideString> parts;
  SplitItemPath(itemPath, parts);
  if (parts.Count() == 0) FatalError(FailureReason::EntryWithoutPath);
  // Nothing is created for an entry that could reach outside the output directory or open a
  // device.
  RefuseUnwritableItemPath(itemPath);
  uint32_t directoryParts = isDirectory ? parts.Count() : parts.Count() - 1;
  if (directoryParts > 0 && !isAnti) MakeDirectories(parts, directoryParts);

  diskPath = WideString::Concat(outputDirectory, itemPath);
  if (isDirectory) {
    if (isAnti) {
      RemoveDirectoryA(diskPath.ToAnsi());
      madeDirectories.Clear();  // it may have been one of them
    }
    return nullptr;
  }
  if (isAnti) {
    RemoveFileInTheWay();
    return nullptr;
  }

  handles->Reserve();
  OutputFile* file = New<OutputFile>();
  // The directory is new, so the name is free unless an earlier entry took it: only a failed
  // creation looks for what stands in the way, replaces it and tries once more.
  if (!file->TryCreate(diskPath) && !(RemoveFileInTheWay() && file->TryCreate(diskPath)))
    ReportFatal("Can not open output file", FailureReason::OutputFileNotCreated);
  openFile = file;
  handles->Keep(file->handle);
  return file;
}

void EntryWriter::FinishItem() {
  DWORD applied = attributes;
#ifdef _WIN32
  // The Unix extension's high bits mean nothing to Windows: keep the bits a file may be given.
  applied &= FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
             FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
             FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
#endif
  if (openFile) {
    // Time and attributes in one call through the handle: they land on the file just written,
    // whatever stands at its name by now. 0 would leave the attributes as they are.
    FILE_BASIC_INFO basic = {};
    basic.LastWriteTime.u.LowPart = lastWriteTime.dwLowDateTime;
    basic.LastWriteTime.u.HighPart = LONG(lastWriteTime.dwHighDateTime);
    basic.FileAttributes = applied ? applied : FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(openFile->handle, FileBasicInfo, &basic, sizeof basic);
    Delete(openFile);  // the handle stays open in the handle list
    openFile = nullptr;
    return;
  }
  SetFileAttributesA(diskPath.ToAnsi(), applied);
}
