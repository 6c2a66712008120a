#include "support/InputFile.h"

#include "support/Bytes.h"
#include "support/Fatal.h"

void InputFile::Open(const WideString& path) {
  Handle = CreateFileA(path.ToAnsi(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (Handle == INVALID_HANDLE_VALUE)
    ReportFatal("Can not open input file", FailureReason::InputFileNotOpened);
}

void InputFile::Seek(int32_t distance, uint32_t origin) {
  switch (origin) {
    case FILE_BEGIN:
      Position = distance;
      break;
    case FILE_CURRENT:
      // Wraps like the 32-bit register it stands for; a negative result fails the next read.
      Position = int32_t(uint32_t(Position) + uint32_t(distance));
      break;
    case FILE_END:
      Position = int32_t(SetFilePointer(Handle, distance, nullptr, FILE_END));
      break;
    default:
      break;
  }
}

void InputFile::Read(void* buffer, uint32_t n) {
  // A negative position would make the system call fail and leave its file pointer where an
  // earlier read put it, so the bytes delivered would come from the wrong place.
  if (Position < 0) FatalError(FailureReason::ReadBeforeStartOfFile);
  uint64_t position = uint32_t(Position);

  if (n > kCacheSize) {
    SetFilePointer(Handle, LONG(Position), nullptr, FILE_BEGIN);
    DWORD got = 0;
    ReadFile(Handle, buffer, n, &got, nullptr);
    if (got != n) FatalError(FailureReason::ShortRead);
    Position = int32_t(position + n);
    return;
  }

  if (position < CacheStart || position + n > uint64_t(CacheStart) + CacheCount) {
    CacheStart = uint32_t(position);
    SetFilePointer(Handle, LONG(Position), nullptr, FILE_BEGIN);
    DWORD got = 0;
    ReadFile(Handle, Cache, kCacheSize, &got, nullptr);
    CacheCount = got;
  }
  if (position + n > uint64_t(CacheStart) + CacheCount) FatalError(FailureReason::ShortRead);
  CopyBytes(buffer, Cache + (position - CacheStart), n);
  Position = int32_t(position + n);
}

uint32_t InputFile::ReadAt(uint32_t position, void* buffer, uint32_t n) {
  Seek(int32_t(position), FILE_BEGIN);
  Read(buffer, n);
  return n;
}
