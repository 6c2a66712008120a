#include "archive/HeaderCursor.h"
#include "archive/HeaderParsing.h"
#include "support/Fatal.h"

namespace {

uint32_t CountTrue(const ItemVector<bool>& vector) {
  uint32_t n = 0;
  for (uint32_t i = 0; i < vector.Count(); ++i) n += vector[i];
  return n;
}

void ReadNames(HeaderCursor& cursor, const DataVector* dataVector, ItemVector<FileItem>& files) {
  ReaderSwitch external;
  external.SetFromExternal(cursor, dataVector);
  for (uint32_t i = 0; i < files.Count(); ++i) {
    WideString& name = files[i].Name;
    for (;;) {
      WCHAR unit = WCHAR(cursor.ReadWideChar());
      if (unit == 0) break;
      name.AppendUnit(unit);
    }
  }
  external.Release();
}

FILETIME& TimeOf(FileItem& file, uint8_t id, bool*& defined) {
  if (id == kCreationTime) {
    defined = &file.CreationTimeDefined;
    return file.CreationTime;
  }
  if (id == kLastAccessTime) {
    defined = &file.LastAccessTimeDefined;
    return file.LastAccessTime;
  }
  defined = &file.LastWriteTimeDefined;
  return file.LastWriteTime;
}

// A property that some entries define: which ones (a defined vector), then a value for each of
// them, read from the header or from an additional stream.
template <typename ReadValue>
void ReadDefinedValues(HeaderCursor& cursor, const DataVector* dataVector,
                       ItemVector<FileItem>& files, ReadValue readValue) {
  ItemVector<bool> defined;
  cursor.ReadDefinedVector(files.Count(), defined);
  ReaderSwitch external;
  external.SetFromExternal(cursor, dataVector);
  for (uint32_t i = 0; i < files.Count(); ++i) readValue(files[i], defined[i]);
  external.Release();
}

void ReadTimes(HeaderCursor& cursor, const DataVector* dataVector, uint8_t id,
               ItemVector<FileItem>& files) {
  ReadDefinedValues(cursor, dataVector, files, [&](FileItem& file, bool defined) {
    bool* flag;
    FILETIME& time = TimeOf(file, id, flag);
    *flag = defined;
    if (!defined) return;
    uint64_t value = cursor.ReadUInt64();
    time.dwLowDateTime = DWORD(value);
    time.dwHighDateTime = DWORD(value >> 32);
  });
}

void ReadAttributes(HeaderCursor& cursor, const DataVector* dataVector,
                    ItemVector<FileItem>& files) {
  ReadDefinedValues(cursor, dataVector, files, [&](FileItem& file, bool defined) {
    file.AttributesDefined = defined;
    if (defined) file.Attributes = cursor.ReadUInt32();
  });
}

}  // namespace

void ReadFilesInfo(HeaderCursor& cursor, const DataVector* dataVector, const StreamsInfo& info,
                   ItemVector<FileItem>& files) {
  uint32_t numFiles = cursor.ReadNumber32();
  // Every entry needs a name, and a name takes at least its closing zero unit (two bytes) in
  // what is left of the header or in the decoded additional data: what an entry costs is then
  // bounded by the bytes that describe it.
  uint64_t nameRoom = cursor.Remaining();
  if (dataVector)
    for (uint32_t i = 0; i < dataVector->Count(); ++i) nameRoom += (*dataVector)[i].Bytes.Count();
  if (numFiles > nameRoom / 2) FatalError(FailureReason::FileCountBeyondHeader);
  files.Clear();
  for (uint32_t i = 0; i < numFiles; ++i) files.Add(FileItem());

  ItemVector<bool> emptyStream;
  emptyStream.Resize(numFiles);
  ItemVector<bool> emptyFile;
  ItemVector<bool> anti;
  uint32_t numEmptyStreams = 0;

  uint32_t seen = 0;  // the properties read so far, one bit per id
  for (;;) {
    uint8_t id = cursor.ReadByte();
    if (id == kEnd) break;
    uint64_t size = cursor.ReadNumber();
    // Read twice, a property would cost its entries again for a few bytes (its data may come
    // from the same additional stream each time).
    if (id >= kEmptyStream && id <= kWinAttributes) {
      if (seen & (1u << id)) FatalError(FailureReason::RepeatedProperty);
      seen |= 1u << id;
    }
    switch (id) {
      case kEmptyStream:
        cursor.ReadBitVector(numFiles, emptyStream);
        numEmptyStreams += CountTrue(emptyStream);
        for (uint32_t i = 0; i < numEmptyStreams; ++i) {
          emptyFile.Add(false);
          anti.Add(false);
        }
        break;
      case kEmptyFile:
        cursor.ReadBitVector(numEmptyStreams, emptyFile);
        break;
      case kAnti:
        cursor.ReadBitVector(numEmptyStreams, anti);
        break;
      case kName:
        ReadNames(cursor, dataVector, files);
        break;
      case kCreationTime:
      case kLastAccessTime:
      case kLastWriteTime:
        ReadTimes(cursor, dataVector, id, files);
        break;
      case kWinAttributes:
        ReadAttributes(cursor, dataVector, files);
        break;
      default:
        cursor.SkipBytes(size);
        break;
    }
  }

  // The empty-stream entries own the emptyFile and anti flags one each; the others own the
  // sub-streams one each, in order.
  uint32_t emptyCount = CountTrue(emptyStream);
  if (emptyFile.Count() != emptyCount || anti.Count() != emptyCount)
    FatalError(FailureReason::EmptyEntryCountMismatch);
  if (numFiles - emptyCount != info.SubStreamSizes.Count())
    FatalError(FailureReason::SubStreamCountMismatch);

  uint32_t sizeIndex = 0;
  uint32_t emptyIndex = 0;
  for (uint32_t i = 0; i < numFiles; ++i) {
    FileItem& file = files[i];
    if (emptyStream[i]) {
      file.IsDirectory = !emptyFile[emptyIndex];
      file.IsAnti = anti[emptyIndex];
      file.Size = 0;
      file.CrcDefined = false;
      ++emptyIndex;
    } else {
      file.IsDirectory = false;
      file.Size = info.SubStreamSizes[sizeIndex];
      file.Crc = info.SubStreamCrcs[sizeIndex];
      file.CrcDefined = info.SubStreamCrcDefined[sizeIndex];
      ++sizeIndex;
    }
  }
}
