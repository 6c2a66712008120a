// The transient context of one header parse: the reader stack and the byte-level reads of
// the 7z header. Every read either succeeds or ends the run through FatalError.
#pragma once
#include <cstdint>

#include "archive/HeaderReader.h"
#include "support/ItemVector.h"

class InputFile;

// 7z property ids, under their published names.
enum PropertyId : uint8_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kArchiveProperties = 0x02,
  kAdditionalStreamsInfo = 0x03,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnPackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCRC = 0x0A,
  kFolder = 0x0B,
  kCodersUnPackSize = 0x0C,
  kNumUnPackStream = 0x0D,
  kEmptyStream = 0x0E,
  kEmptyFile = 0x0F,
  kAnti = 0x10,
  kName = 0x11,
  kCreationTime = 0x12,
  kLastAccessTime = 0x13,
  kLastWriteTime = 0x14,
  kWinAttributes = 0x15,
  kComment = 0x16,
  kEncodedHeader = 0x17,
};

class ArchiveParser {
 public:
  explicit ArchiveParser(InputFile* file) : File(file) {}

  void PushBuffer(const uint8_t* data, uint32_t size);
  void PopBuffer();
  // The reader every read uses: the last one on the stack. Looked up on each use because
  // pushing may move the stack's elements.
  HeaderReader& Current();
  uint32_t Remaining() { return Current().Remaining(); }

  uint8_t ReadByte();
  void ReadBytes(uint8_t* destination, uint32_t n);
  uint32_t ReadUInt32();
  uint64_t ReadUInt64();
  uint16_t ReadWideChar();
  uint64_t ReadNumber();
  // ReadNumber for a size, offset or count the system keeps in 32 bits: a larger value ends
  // the run instead of being cut to its low half.
  uint32_t ReadNumber32();
  void SkipBytes(uint64_t n);
  void SkipData();
  void WaitAttribute(uint8_t id);
  void ReadBitVector(uint32_t n, ItemVector<bool>& vector);
  void ReadDefinedVector(uint32_t n, ItemVector<bool>& vector);
  void ReadDigests(uint32_t n, ItemVector<bool>& defined, ItemVector<uint32_t>& values);
  // Ends the run with reason unless the current buffer still holds `bytes` bytes: a count
  // read from the header is checked this way before anything is allocated for it.
  void RequireBytes(uint64_t bytes, const char* reason);

  InputFile* File;
  ItemVector<HeaderReader> ReaderStack;
  uint32_t ArchiveStart = 0;
};
