#include "archive/ReaderSwitch.h"

#include "archive/ArchiveParser.h"
#include "support/Fatal.h"

void ReaderSwitch::Release() {
  if (!Active) return;
  Parser->PopBuffer();
  Active = false;
}

void ReaderSwitch::Set(ArchiveParser& parser, const uint8_t* data, uint32_t size) {
  Release();
  Parser = &parser;
  parser.PushBuffer(data, size);
  Active = true;
}

void ReaderSwitch::Set(ArchiveParser& parser, const MemoryStream& buffer) {
  Set(parser, buffer.Bytes.Data(), buffer.Bytes.Count());
}

void ReaderSwitch::SetFromExternal(ArchiveParser& parser, const DataVector* dataVector) {
  Release();
  if (parser.ReadByte() == 0) return;
  uint64_t index = parser.ReadNumber();
  if (!dataVector || index >= dataVector->Count()) FatalError(FailureReason::ExternalDataMissing);
  Set(parser, (*dataVector)[uint32_t(index)]);
}
