// The routines that parse the blocks of a plain 7z header into the database records.
// Internal to the archive reader; OpenArchive is the entry point.
#pragma once
#include <cstdint>

#include "archive/Archive.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ReaderSwitch.h"

class HeaderCursor;
class InputFile;

// Where one streams info block goes: the database's lists for the main streams, lists of
// its own for the additional streams. The per-entry sizes and digests are always temporary.
struct StreamsInfo {
  StreamsInfo(ItemVector<uint32_t>& packSizes, ItemVector<bool>& packCrcDefined,
              ItemVector<uint32_t>& packCrcs, ItemVector<Folder>& folders,
              ItemVector<uint32_t>& numUnpackStreams)
      : PackSizes(packSizes),
        PackCrcDefined(packCrcDefined),
        PackCrcs(packCrcs),
        Folders(folders),
        NumUnpackStreams(numUnpackStreams) {}

  uint64_t PackPosition = 0;
  ItemVector<uint32_t>& PackSizes;
  ItemVector<bool>& PackCrcDefined;
  ItemVector<uint32_t>& PackCrcs;
  ItemVector<Folder>& Folders;
  ItemVector<uint32_t>& NumUnpackStreams;
  ItemVector<uint32_t> SubStreamSizes;
  ItemVector<bool> SubStreamCrcDefined;
  ItemVector<uint32_t> SubStreamCrcs;
};

// The lists of a streams info that is not kept in the database.
struct OwnStreamsInfo {
  ItemVector<uint32_t> PackSizes;
  ItemVector<bool> PackCrcDefined;
  ItemVector<uint32_t> PackCrcs;
  ItemVector<Folder> Folders;
  ItemVector<uint32_t> NumUnpackStreams;
  StreamsInfo Info{PackSizes, PackCrcDefined, PackCrcs, Folders, NumUnpackStreams};
};

void ReadStreamsInfo(HeaderCursor& cursor, const DataVector* dataVector, StreamsInfo& info);
void ReadPackInfo(HeaderCursor& cursor, StreamsInfo& info);
void ReadUnpackInfo(HeaderCursor& cursor, const DataVector* dataVector, StreamsInfo& info);
void ReadFolder(HeaderCursor& cursor, Folder& folder);
void ReadSubStreamsInfo(HeaderCursor& cursor, StreamsInfo& info);
// Fills files from the files info; info supplies the sizes and digests of the entries that
// have a stream.
void ReadFilesInfo(HeaderCursor& cursor, const DataVector* dataVector, const StreamsInfo& info,
                   ItemVector<FileItem>& files);
void ReadDatabase(HeaderCursor& cursor, ArchiveDatabase& database);
// Decodes every folder of the additional streams, whose packed data starts at dataStart,
// into one element of dataVector each.
void DecodeAdditionalStreams(InputFile& file, uint64_t dataStart, const StreamsInfo& info,
                             DataVector& dataVector);
