#include "archive/Archive.h"
#include "archive/FindSignature.h"
#include "archive/HeaderCursor.h"
#include "archive/HeaderParsing.h"
#include "decode/FolderDecoder.h"
#include "format/SignatureScan.h"
#include "format/StartHeader.h"
#include "support/Crc32.h"
#include "support/Fatal.h"
#include "support/InputFile.h"
#include "support/MemAlloc.h"

void DecodeAdditionalStreams(InputFile& file, uint64_t dataStart, const StreamsInfo& info,
                             DataVector& dataVector) {
  uint64_t position = dataStart;
  uint32_t packIndex = 0;
  for (uint32_t i = 0; i < info.Folders.Count(); ++i) {
    const Folder& folder = info.Folders[i];
    folder.FinalUnpackSize();  // a folder whose every output is bound ends the run here
    uint32_t packed = folder.PackedStreams.Count();
    if (packed > info.PackSizes.Count() - packIndex)
      FatalError(FailureReason::PackStreamCountMismatch);
    uint64_t end = position;
    for (uint32_t j = 0; j < packed; ++j) end += info.PackSizes[packIndex + j];
    if (end > UINT32_MAX) FatalError(FailureReason::PackedDataBeyond4GiB);

    dataVector.Add(MemoryStream());
    MemoryStream& output = dataVector.Back();
    DecodeFolder(file, uint32_t(position), info.PackSizes.Data() + packIndex, folder, &output);
    // Names, times and attributes come from here: a damaged stream must not name the files.
    if (folder.UnpackCrcDefined &&
        Crc32(output.Bytes.Data(), output.Bytes.Count(), 0) != folder.UnpackCrc)
      FatalError(FailureReason::AdditionalStreamCrcMismatch);
    position = end;
    packIndex += packed;
  }
}

void ReadDatabase(HeaderCursor& cursor, ArchiveDatabase& database) {
  database.PackSizes.Clear();
  database.Folders.Clear();
  database.PackCrcs.Clear();
  database.PackCrcDefined.Clear();
  database.NumUnpackStreams.Clear();
  database.Files.Clear();

  uint8_t id = cursor.ReadByte();
  if (id == kArchiveProperties) FatalError(FailureReason::ArchiveProperties);
  DataVector dataVector;
  if (id == kAdditionalStreamsInfo) {
    OwnStreamsInfo additional;
    ReadStreamsInfo(cursor, nullptr, additional.Info);
    database.AdditionalDataStart = additional.Info.PackPosition + database.HeaderEnd;
    DecodeAdditionalStreams(*cursor.File, database.AdditionalDataStart, additional.Info,
                            dataVector);
    id = cursor.ReadByte();
  }

  // The main streams info may be left out only where it would be empty: right before the files
  // info (whose entries then all have to be empty) or before the end of the header.
  StreamsInfo main(database.PackSizes, database.PackCrcDefined, database.PackCrcs, database.Folders,
                   database.NumUnpackStreams);
  if (id == kMainStreamsInfo) {
    ReadStreamsInfo(cursor, &dataVector, main);
    id = cursor.ReadByte();
  } else if (id != kFilesInfo && id != kEnd) {
    FatalError(FailureReason::MainStreamsInfoMissing);
  }
  database.DataStart = main.PackPosition + database.HeaderEnd;

  if (id == kEnd) {
    if (main.SubStreamSizes.Count() != 0) FatalError(FailureReason::SubStreamCountMismatch);
    return;
  }
  if (id != kFilesInfo) FatalError(FailureReason::FilesInfoExpected);
  ReadFilesInfo(cursor, &dataVector, main, database.Files);
}

void OpenArchive(Archive& archive, InputFile& file, uint32_t limit) {
  HeaderCursor cursor(&file);
  ArchiveDatabase& database = archive.Database;
  uint32_t archiveStart = FindSignature(file, limit);
  database.ArchiveStart = archiveStart;

  // The file stands right after the signature the scan found.
  uint8_t bytes[kStartHeaderSize];
  file.Read(bytes + kSignatureSize, kStartHeaderSize - kSignatureSize);
  StartHeader start;
  bool locationIntact = ParseStartHeader(bytes, start);
  database.Version[0] = start.Major;
  database.Version[1] = start.Minor;
  if (start.Major != 0) FatalError(FailureReason::UnsupportedVersion);
  if (!locationIntact) FatalError(FailureReason::StartHeaderCrcMismatch);
  uint64_t headerOffset = start.NextHeaderOffset;
  uint64_t headerSize = start.NextHeaderSize;
  uint32_t headerCrc = start.NextHeaderCrc;
  database.HeaderEnd = uint64_t(archiveStart) + kStartHeaderSize;

  // The header must lie inside the file before a buffer of its size is allocated.
  file.Seek(0, FILE_END);
  uint64_t fileSize = uint32_t(file.GetPosition());
  if (headerOffset > fileSize || headerSize > fileSize ||
      database.HeaderEnd + headerOffset + headerSize > fileSize)
    FatalError(FailureReason::HeaderOutsideFile);
  file.Seek(int32_t(database.HeaderEnd + headerOffset), FILE_BEGIN);
  uint32_t size = uint32_t(headerSize);
  uint8_t* header = static_cast<uint8_t*>(MemAlloc(size));
  file.Read(header, size);
  if (Crc32(header, size, 0) != headerCrc) FatalError(FailureReason::HeaderCrcMismatch);

  ReaderSwitch headerSwitch;
  headerSwitch.Set(cursor, header, size);
  if (cursor.ReadByte() != kHeader) FatalError(FailureReason::NotPlainHeader);
  ReadDatabase(cursor, database);
  headerSwitch.Release();
  MemFree(header);

  database.BuildDerivedTables();
  archive.File = &file;
}
