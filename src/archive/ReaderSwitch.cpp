#include "archive/ReaderSwitch.h"

#include "archive/HeaderCursor.h"
#include "support/Fatal.h"

void ReaderSwitch::Release() {
  if (!Active) return;
  Cursor->PopBuffer();
  Active = false;
}

void ReaderSwitch::Set(HeaderCursor& cursor, const uint8_t* data, uint32_t size) {
  Release();
  Cursor = &cursor;
  cursor.PushBuffer(data, size);
  Active = true;
}

void ReaderSwitch::Set(HeaderCursor& cursor, const MemoryStream& buffer) {
  Set(cursor, buffer.Bytes.Data(), buffer.Bytes.Count());
}

void ReaderSwitch::SetFromExternal(HeaderCursor& cursor, const DataVector* dataVector) {
  Release();
  if (cursor.ReadByte() == 0) return;
  uint64_t index = cursor.ReadNumber();
  if (!dataVector || index >= dataVector->Count()) FatalError(FailureReason::ExternalDataMissing);
  Set(cursor, (*dataVector)[uint32_t(index)]);
}
