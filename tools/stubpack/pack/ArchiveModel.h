// What the 7z writer records: entries, folders with their coders and wiring, packed sizes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "format/Folder.h"
#include "format/MethodId.h"

struct ArchiveEntry {
  std::u16string name;    // relative path, "/" separated
  bool isDirectory = false;
  bool hasStream = false;  // false for directories and empty files
  uint64_t size = 0;
  uint32_t crc = 0;
  uint64_t lastWriteTime = 0;  // FILETIME: 100 ns units since 1601-01-01 UTC
  uint32_t attributes = 0;
};

struct CoderRecord {
  std::vector<uint8_t> methodId;
  uint32_t numInStreams = 1;
  uint32_t numOutStreams = 1;
  std::vector<uint8_t> properties;
};

struct FolderRecord {
  std::vector<CoderRecord> coders;
  std::vector<BindPair> bindPairs;
  std::vector<uint32_t> packedStreams;  // in-stream fed by the folder's k-th packed stream
  std::vector<uint64_t> unpackSizes;    // one per out-stream, in out-stream order
  uint32_t numSubstreams = 0;           // entries cut from the folder's output
  bool hasUnpackCrc = false;            // a digest of the folder's output is recorded
  uint32_t unpackCrc = 0;
};

inline std::vector<uint8_t> MethodBytes(const MethodId& id) {
  return std::vector<uint8_t>(id.Bytes, id.Bytes + id.Length);
}

// Method ids of the coders the unpacker knows.
inline const std::vector<uint8_t> kMethodLzma = MethodBytes(MethodLzma);
inline const std::vector<uint8_t> kMethodBcj2 = MethodBytes(MethodBcj2);
