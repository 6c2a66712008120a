#include "archive/HeaderCursor.h"
#include "archive/HeaderParsing.h"
#include "support/Fatal.h"

void ReadStreamsInfo(HeaderCursor& cursor, const DataVector* dataVector, StreamsInfo& info) {
  // Each block once: read again, a block would cost its folders again for a few bytes.
  uint32_t seen = 0;
  for (;;) {
    uint8_t id = cursor.ReadByte();
    if (id == kEnd) return;
    if (id >= kPackInfo && id <= kSubStreamsInfo) {
      if (seen & (1u << id)) FatalError(FailureReason::RepeatedProperty);
      seen |= 1u << id;
    }
    if (id == kPackInfo)
      ReadPackInfo(cursor, info);
    else if (id == kUnPackInfo)
      ReadUnpackInfo(cursor, dataVector, info);
    else if (id == kSubStreamsInfo)
      ReadSubStreamsInfo(cursor, info);
    // Any other id stands alone here: it has no size to skip.
  }
}

void ReadPackInfo(HeaderCursor& cursor, StreamsInfo& info) {
  info.PackPosition = cursor.ReadNumber();
  uint32_t numPackStreams = cursor.ReadNumber32();
  cursor.SkipToProperty(kSize);
  cursor.RequireBytes(numPackStreams, FailureReason::PackStreamCountBeyondHeader);
  info.PackSizes.Clear();
  for (uint32_t i = 0; i < numPackStreams; ++i) info.PackSizes.Add(cursor.ReadNumber32());

  info.PackCrcDefined.Clear();
  info.PackCrcs.Clear();
  for (;;) {
    uint8_t id = cursor.ReadByte();
    if (id == kEnd) break;
    if (id == kCRC)
      cursor.ReadDigests(numPackStreams, info.PackCrcDefined, info.PackCrcs);
    else
      cursor.SkipData();
  }
  if (info.PackCrcDefined.Count() == 0) {
    for (uint32_t i = 0; i < numPackStreams; ++i) {
      info.PackCrcDefined.Add(false);
      info.PackCrcs.Add(0);
    }
  }
}

void ReadUnpackInfo(HeaderCursor& cursor, const DataVector* dataVector, StreamsInfo& info) {
  cursor.SkipToProperty(kFolder);
  uint32_t numFolders = cursor.ReadNumber32();
  {
    // The folder records may be stored in an additional stream.
    ReaderSwitch external;
    external.SetFromExternal(cursor, dataVector);
    cursor.RequireBytes(numFolders, FailureReason::FolderCountBeyondHeader);
    info.Folders.Clear();
    for (uint32_t i = 0; i < numFolders; ++i) {
      info.Folders.Add(Folder());
      ReadFolder(cursor, info.Folders.Back());
    }
    external.Release();
  }

  cursor.SkipToProperty(kCodersUnPackSize);
  for (uint32_t i = 0; i < numFolders; ++i) {
    Folder& folder = info.Folders[i];
    uint32_t outStreams = folder.TotalOutStreams();
    cursor.RequireBytes(outStreams, FailureReason::UnpackSizeCountBeyondHeader);
    for (uint32_t j = 0; j < outStreams; ++j) folder.UnpackSizes.Add(cursor.ReadNumber32());
  }

  for (;;) {
    uint8_t id = cursor.ReadByte();
    if (id == kEnd) break;
    if (id != kCRC) {
      cursor.SkipData();
      continue;
    }
    ItemVector<bool> defined;
    ItemVector<uint32_t> values;
    cursor.ReadDigests(numFolders, defined, values);
    for (uint32_t i = 0; i < numFolders; ++i) {
      info.Folders[i].UnpackCrcDefined = defined[i];
      info.Folders[i].UnpackCrc = values[i];
    }
  }
}

void ReadSubStreamsInfo(HeaderCursor& cursor, StreamsInfo& info) {
  ItemVector<uint32_t>& counts = info.NumUnpackStreams;
  ItemVector<Folder>& folders = info.Folders;
  counts.Clear();
  info.SubStreamSizes.Clear();
  info.SubStreamCrcDefined.Clear();
  info.SubStreamCrcs.Clear();

  uint8_t id;
  for (;;) {
    id = cursor.ReadByte();
    if (id == kNumUnPackStream) {
      for (uint32_t i = 0; i < folders.Count(); ++i) counts.Add(cursor.ReadNumber32());
      continue;
    }
    if (id == kCRC || id == kSize || id == kEnd) break;
    cursor.SkipData();
  }
  if (counts.Count() == 0)
    for (uint32_t i = 0; i < folders.Count(); ++i) counts.Add(1);
  if (counts.Count() != folders.Count()) FatalError(FailureReason::UnpackStreamCountMismatch);

  // Every count but the last of a folder is read when sizes are given; the last one is what
  // remains of the folder's output.
  uint64_t total = 0;
  for (uint32_t i = 0; i < counts.Count(); ++i) {
    uint32_t n = counts[i];
    total += n;
    uint64_t sum = 0;
    if (id == kSize && n > 1) {
      cursor.RequireBytes(n - 1, FailureReason::SubStreamCountBeyondHeader);
      for (uint32_t j = 1; j < n; ++j) {
        uint32_t size = cursor.ReadNumber32();
        info.SubStreamSizes.Add(size);
        sum += size;
      }
    }
    uint32_t final = folders[i].FinalUnpackSize();
    if (sum > final) FatalError(FailureReason::SubStreamSizesExceedFolder);
    info.SubStreamSizes.Add(uint32_t(final - sum));
  }
  // A folder of 0 entries, or of several without sizes, leaves sizes that belong to no entry.
  if (info.SubStreamSizes.Count() != total) FatalError(FailureReason::SubStreamCountMismatch);
  if (id == kSize) id = cursor.ReadByte();

  uint64_t numDigests = 0;
  for (uint32_t i = 0; i < counts.Count(); ++i)
    if (!(counts[i] == 1 && folders[i].UnpackCrcDefined)) numDigests += counts[i];

  bool digestsRead = false;
  while (id != kEnd) {
    if (id == kCRC) {
      // A second list would add an entry per folder again for a byte or two.
      if (digestsRead) FatalError(FailureReason::RepeatedProperty);
      digestsRead = true;
      ItemVector<bool> defined;
      ItemVector<uint32_t> values;
      cursor.ReadDigests(uint32_t(numDigests), defined, values);
      uint32_t next = 0;
      for (uint32_t i = 0; i < counts.Count(); ++i) {
        if (counts[i] == 1 && folders[i].UnpackCrcDefined) {
          info.SubStreamCrcDefined.Add(true);
          info.SubStreamCrcs.Add(folders[i].UnpackCrc);
          continue;
        }
        for (uint32_t j = 0; j < counts[i]; ++j, ++next) {
          info.SubStreamCrcDefined.Add(defined[next]);
          info.SubStreamCrcs.Add(values[next]);
        }
      }
    } else {
      cursor.SkipData();
    }
    id = cursor.ReadByte();
  }
  if (info.SubStreamCrcDefined.Count() == 0) {
    for (uint64_t i = 0; i < total; ++i) {
      info.SubStreamCrcDefined.Add(false);
      info.SubStreamCrcs.Add(0);
    }
  }
  if (info.SubStreamCrcDefined.Count() != total) FatalError(FailureReason::DigestCountMismatch);
}
