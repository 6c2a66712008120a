#include "archive/Archive.h"
#include "archive/ArchiveParser.h"
#include "archive/FindSignature.h"
#include "archive/HeaderParsing.h"
#include "archive/InputFile.h"
#include "support/Crc32.h"
#include "support/Fatal.h"
#include "support/MemAlloc.h"

namespace {

const uint32_t kStartHeaderSize = 32;

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t Le64(const uint8_t* p) { return Le32(p) | uint64_t(Le32(p + 4)) << 32; }

}  // namespace

void DecodeAdditionalStreams(InputFile& file, uint64_t dataStart, const StreamsInfo& info,
                             DataVector& dataVector, FolderDecodeFunction decodeFolder) {
  uint64_t position = dataStart;
  uint32_t packIndex = 0;
  for (uint32_t i = 0; i < info.Folders.Count(); ++i) {
    const Folder& folder = info.Folders[i];
    folder.FinalUnpackSize();  // a folder whose every output is bound ends the run here
    uint32_t packed = folder.PackedStreams.Count();
    if (packed > info.PackSizes.Count() - packIndex) FatalError("pack stream count mismatch");
    uint64_t end = position;
    for (uint32_t j = 0; j < packed; ++j) end += info.PackSizes[packIndex + j];
    if (end > UINT32_MAX) FatalError("packed data beyond 4 GiB");

    dataVector.Add(MemoryStream());
    MemoryStream& output = dataVector.Back();
    decodeFolder(file, uint32_t(position), info.PackSizes.Data() + packIndex, folder, &output);
    // Names, times and attributes come from here: a damaged stream must not name the files.
    if (folder.UnpackCrcDefined &&
        Crc32(output.Bytes.Data(), output.Bytes.Count(), 0) != folder.UnpackCrc)
      FatalError("additional stream CRC mismatch");
    position = end;
    packIndex += packed;
  }
}

void ReadDatabase(ArchiveParser& parser, ArchiveDatabase& database,
                  FolderDecodeFunction decodeFolder) {
  database.PackSizes.Clear();
  database.Folders.Clear();
  database.PackCrcs.Clear();
  database.PackCrcDefined.Clear();
  database.NumUnpackStreams.Clear();
  database.Files.Clear();

  uint8_t id = parser.ReadByte();
  if (id == kArchiveProperties) FatalError("archive properties");
  DataVector dataVector;
  if (id == kAdditionalStreamsInfo) {
    OwnStreamsInfo additional;
    ReadStreamsInfo(parser, nullptr, additional.Info);
    database.AdditionalDataStart = additional.Info.PackPosition + database.HeaderEnd;
    DecodeAdditionalStreams(*parser.File, database.AdditionalDataStart, additional.Info,
                            dataVector, decodeFolder);
    id = parser.ReadByte();
  }

  // The main streams info may be left out only where it would be empty: right before the files
  // info (whose entries then all have to be empty) or before the end of the header.
  StreamsInfo main(database.PackSizes, database.PackCrcDefined, database.PackCrcs, database.Folders,
                   database.NumUnpackStreams);
  if (id == kMainStreamsInfo) {
    ReadStreamsInfo(parser, &dataVector, main);
    id = parser.ReadByte();
  } else if (id != kFilesInfo && id != kEnd) {
    FatalError("main streams info missing");
  }
  database.DataStart = main.PackPosition + database.HeaderEnd;

  if (id == kEnd) {
    if (main.SubStreamSizes.Count() != 0) FatalError("sub-stream count mismatch");
    return;
  }
  if (id != kFilesInfo) FatalError("files info expected");
  ReadFilesInfo(parser, &dataVector, main, database.Files);
}

void OpenArchive(Archive& archive, InputFile& file, uint32_t limit,
                 FolderDecodeFunction decodeFolder) {
  ArchiveParser parser(&file);
  ArchiveDatabase& database = archive.Database;
  uint32_t archiveStart = FindSignature(file, limit);
  parser.ArchiveStart = archiveStart;
  database.ArchiveStart = archiveStart;

  // Version (2), start header CRC (4), then the 20 bytes that CRC covers.
  uint8_t startHeader[26];
  file.Read(startHeader, sizeof(startHeader));
  database.Version[0] = startHeader[0];
  database.Version[1] = startHeader[1];
  if (database.Version[0] != 0) FatalError("unsupported version");
  if (Crc32(startHeader + 6, 20, 0) != Le32(startHeader + 2))
    FatalError("start header CRC mismatch");
  uint64_t headerOffset = Le64(startHeader + 6);
  uint64_t headerSize = Le64(startHeader + 14);
  uint32_t headerCrc = Le32(startHeader + 22);
  database.HeaderEnd = uint64_t(archiveStart) + kStartHeaderSize;

  // The header must lie inside the file before a buffer of its size is allocated.
  file.Seek(0, 2);
  uint64_t fileSize = uint32_t(file.GetPosition());
  if (headerOffset > fileSize || headerSize > fileSize ||
      database.HeaderEnd + headerOffset + headerSize > fileSize)
    FatalError("header outside file");
  file.Seek(int32_t(database.HeaderEnd + headerOffset), 0);
  uint32_t size = uint32_t(headerSize);
  uint8_t* header = static_cast<uint8_t*>(MemAlloc(size));
  file.Read(header, size);
  if (Crc32(header, size, 0) != headerCrc) FatalError("header CRC mismatch");

  ReaderSwitch headerSwitch;
  headerSwitch.Set(parser, header, size);
  if (parser.ReadByte() != kHeader) FatalError("not a plain header");
  ReadDatabase(parser, database, decodeFolder);
  headerSwitch.Release();
  MemFree(header);

  database.BuildDerivedTables();
  archive.File = &file;
}
