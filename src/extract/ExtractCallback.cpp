#include "extract/ExtractCallback.h"

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

static void CreatePathDirectories(const WideString& base, const ItemVector<WideString>& parts,
                                  uint32_t count) {
  WideString path(base);
  for (uint32_t i = 0; i < count; ++i) {
    path.Append(parts[i]);
    CreateDirectoryA(path.ToAnsi(), nullptr);
    path.AppendUnit('\\');
  }
}

// Reads a property that an entry may leave undefined: false when it does. A value of any other
// kind than the expected one ends the run for otherKind.
static bool GetOptionalProperty(const Archive& archive, uint32_t itemIndex, uint32_t propertyId,
                                VARTYPE kind, FailureReason otherKind, PROPVARIANT* value) {
  GetItemProperty(archive, itemIndex, propertyId, value);
  if (value->vt == VT_EMPTY) return false;
  if (value->vt != kind) FatalError(otherKind);
  return true;
}

void ExtractCallback::Init(Archive* archiveIn, const WideString& outputDirectoryIn,
                           FILETIME defaultLastWriteTimeIn, uint32_t defaultAttributesIn,
                           const HandleKeeper& handlesIn) {
  archive = archiveIn;
  outputDirectory = outputDirectoryIn;
  defaultLastWriteTime = defaultLastWriteTimeIn;
  defaultAttributes = defaultAttributesIn;
  handles = &handlesIn;
}

OutputFile* ExtractCallback::GetItemOutput(uint32_t itemIndex) {
  openFile = nullptr;
  PROPVARIANT value;

  GetItemProperty(*archive, itemIndex, PropPath, &value);
  if (value.vt != VT_BSTR) FatalError(FailureReason::EntryPathNotString);
  WideString itemPath(value.bstrVal);
  VariantClear(&value);

  bool defined = GetOptionalProperty(*archive, itemIndex, PropAttributes, VT_UI4,
                                     FailureReason::EntryAttributesOfUnexpectedKind, &value);
  attributes = defined ? value.ulVal : defaultAttributes;
  VariantClear(&value);

  GetItemProperty(*archive, itemIndex, PropIsDirectory, &value);
  isDirectory = value.boolVal != 0;
  VariantClear(&value);

  GetItemProperty(*archive, itemIndex, PropIsAnti, &value);
  bool isAnti = value.vt != VT_EMPTY && value.boolVal != 0;
  VariantClear(&value);

  defined = GetOptionalProperty(*archive, itemIndex, PropLastWriteTime, VT_FILETIME,
                                FailureReason::EntryTimeOfUnexpectedKind, &value);
  lastWriteTime = defined ? value.filetime : defaultLastWriteTime;
  VariantClear(&value);

  ItemVector<WideString> parts;
  SplitItemPath(itemPath, parts);
  if (parts.Count() == 0) FatalError(FailureReason::EntryWithoutPath);
  // Nothing is created for an entry that could reach outside the output directory, judged on
  // the name as the file system reads it back from the code page (converted exactly or
  // refused).
  if (!IsConfinedItemPath(WideString::FromAnsi(itemPath.ToAnsi())))
    FatalError(FailureReason::EntryPathLeavesOutputDirectory);
  uint32_t directoryParts = isDirectory ? parts.Count() : parts.Count() - 1;
  if (directoryParts > 0 && !isAnti) CreatePathDirectories(outputDirectory, parts, directoryParts);

  diskPath = WideString::Concat(outputDirectory, itemPath);
  if (isDirectory) {
    if (isAnti) RemoveDirectoryA(diskPath.ToAnsi());
    return nullptr;
  }

  WIN32_FIND_DATAA record;
  if (FindPath(diskPath.ToAnsi(), &record) && !ForceDeleteFile(diskPath))
    ReportFatal("Can not delete output file", FailureReason::FileInTheWayNotDeleted);
  if (isAnti) return nullptr;

  handles->Reserve();
  OutputFile* file = New<OutputFile>();
  file->Create(diskPath);
  openFile = file;
  handles->Keep(file->handle);
  return file;
}

void ExtractCallback::FinishItem() {
  if (openFile) {
    SetFileTime(openFile->handle, nullptr, nullptr, &lastWriteTime);
    Delete(openFile);  // the handle stays open in the handle list
  }
  openFile = nullptr;
  DWORD applied = attributes;
#ifdef _WIN32
  // The Unix extension's high bits mean nothing to Windows; keep the DOS bits.
  if (applied & FILE_ATTRIBUTE_UNIX_EXTENSION) applied &= 0x7FFF;
#endif
  SetFileAttributesA(diskPath.ToAnsi(), applied);
}
