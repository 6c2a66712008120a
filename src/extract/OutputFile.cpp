#include "extract/OutputFile.h"

#include "support/Fatal.h"

void OutputFile::Create(const WideString& path) {
  handle = CreateFileA(path.ToAnsi(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    ReportFatal("Can not open output file", "output file cannot be created");
}

void OutputFile::Write(const void* data, int32_t size) {
  if (size <= 0) return;
  buffer.Append(static_cast<const uint8_t*>(data), uint32_t(size));
}

void OutputFile::WriteWhole(const void* data, uint32_t size) {
  whole = static_cast<const uint8_t*>(data);
  wholeSize = size;
}

// A failed or short write (a full disk) ends the run: a cut-short tree is never run.
static void WriteAll(HANDLE handle, const void* data, uint32_t size) {
  DWORD written = 0;
  if (!WriteFile(handle, data, size, &written, nullptr) || written != size)
    FatalError("output file write failed");
}

void OutputFile::Flush() {
  if (whole) {
    WriteAll(handle, whole, wholeSize);
    whole = nullptr;
    return;
  }
  WriteAll(handle, buffer.Data(), buffer.Count());
  buffer.Release();
}
