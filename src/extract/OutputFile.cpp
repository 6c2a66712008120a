#include "extract/OutputFile.h"

#include "support/Fatal.h"

bool OutputFile::TryCreate(const WideString& path) {
  handle = CreateFileA(path.ToAnsi(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle != INVALID_HANDLE_VALUE;
}

// A failed or short write (a full disk) ends the run: a cut-short tree is never run.
void OutputFile::Write(const void* data, uint32_t size) {
  DWORD written = 0;
  if (!WriteFile(handle, data, size, &written, nullptr) || written != size)
    FatalError(FailureReason::OutputFileWriteFailed);
}
