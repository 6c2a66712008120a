// Scoped guard that pushes a buffer on the cursor's reader stack and pops it again, so that
// a property stored in a decoded additional stream is read from there.
#pragma once
#include <cstdint>

#include "support/ItemVector.h"
#include "support/MemoryStream.h"

class HeaderCursor;

// Decoded additional streams; external header data names an element by its index.
typedef ItemVector<MemoryStream> DataVector;

class ReaderSwitch {
 public:
  ReaderSwitch() = default;
  ReaderSwitch(const ReaderSwitch&) = delete;
  ReaderSwitch& operator=(const ReaderSwitch&) = delete;
  ~ReaderSwitch() { Release(); }

  void Release();
  void Set(HeaderCursor& cursor, const uint8_t* data, uint32_t size);
  void Set(HeaderCursor& cursor, const MemoryStream& buffer);
  // Reads the external byte: 0 keeps reading the current buffer; otherwise an index follows
  // and reading moves to that element of dataVector (null while there is none). An index
  // without an element ends the run.
  void SetFromExternal(HeaderCursor& cursor, const DataVector* dataVector);

  HeaderCursor* Cursor = nullptr;
  bool Active = false;
};
