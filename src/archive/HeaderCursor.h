// The cursor the header is parsed with: a stack of buffers (the header, and the decoded
// additional streams that hold parts of it), read from the top one, and the byte-level reads of
// the 7z header. Every read either succeeds or ends the run through FatalError.
#pragma once
#include <cstdint>

#include "archive/HeaderReader.h"
#include "format/PropertyIds.h"
#include "support/FailureReason.h"
#include "support/ItemVector.h"

class InputFile;

class HeaderCursor {
 public:
  explicit HeaderCursor(InputFile* file) : File(file) {}

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
  // Skips whole properties up to the one with this id and its id; kEnd before it ends the run.
  void SkipToProperty(uint8_t id);
  void ReadBitVector(uint32_t n, ItemVector<bool>& vector);
  void ReadDefinedVector(uint32_t n, ItemVector<bool>& vector);
  void ReadDigests(uint32_t n, ItemVector<bool>& defined, ItemVector<uint32_t>& values);
  // Ends the run with reason unless the current buffer still holds `bytes` bytes: a count
  // read from the header is checked this way before anything is allocated for it.
  void RequireBytes(uint64_t bytes, FailureReason reason);

  InputFile* File;
  ItemVector<HeaderReader> ReaderStack;
};
