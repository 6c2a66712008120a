// The parsed 7z header: records, folder queries and the derived tables that tie entries to
// folders and folders to packed streams.
#pragma once
#include <cstdint>

#include "format/Folder.h"
#include "platform/win32.h"
#include "support/ItemVector.h"
#include "support/WideString.h"

struct FileItem {
  bool IsDirectory = false;
  bool IsAnti = false;
  FILETIME CreationTime = {};
  FILETIME LastWriteTime = {};
  FILETIME LastAccessTime = {};
  uint32_t Attributes = 0;
  uint64_t Size = 0;
  bool CrcDefined = false;
  uint32_t Crc = 0;
  WideString Name;
  bool AttributesDefined = false;
  bool CreationTimeDefined = false;
  bool LastWriteTimeDefined = false;
  bool LastAccessTimeDefined = false;
};

struct ArchiveDatabase {
  ItemVector<uint32_t> PackSizes;
  ItemVector<Folder> Folders;
  ItemVector<uint32_t> PackCrcs;
  ItemVector<bool> PackCrcDefined;
  ItemVector<uint32_t> NumUnpackStreams;
  ItemVector<FileItem> Files;
  uint8_t Version[2] = {};
  uint64_t ArchiveStart = 0;
  uint64_t HeaderEnd = 0;
  uint64_t DataStart = 0;
  uint64_t AdditionalDataStart = 0;
  ItemVector<uint32_t> PackStreamOffsets;
  ItemVector<uint32_t> FolderFirstPackStream;
  ItemVector<uint32_t> FolderFirstFile;
  ItemVector<int32_t> FileToFolder;

  // Absolute file offset of the folder's i-th packed stream.
  uint32_t FolderStreamPosition(uint32_t folderIndex, uint32_t i) const;
  uint32_t FolderPackedSize(uint32_t folderIndex) const;
  void BuildDerivedTables();
};
