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

void OutputFile::Flush() {
  DWORD written = 0;
  if (whole) {
    WriteFile(handle, whole, wholeSize, &written, nullptr);
    whole = nullptr;
    return;
  }
  WriteFile(handle, buffer.Data(), buffer.Count(), &written, nullptr);
  buffer.Release();
}
