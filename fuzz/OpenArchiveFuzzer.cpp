// OpenArchive on arbitrary bytes behind a stub image: the signature scan, the start header,
// the header parse and the decoding of additional streams.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "archive/Archive.h"
#include "decode/FolderDecoder.h"
#include "format/SignatureScan.h"
#include "support/InputFile.h"
#include "support/MemAlloc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Initialise();
  std::string path = fuzz::WriteStubFile(data, size);
  fuzz::BeginRun();
  InputFile* file = New<InputFile>();
  Archive* archive = New<Archive>();
  bool failed = fuzz::EndsInFailure([&] {
    file->Open(WideString::FromAnsi(path.c_str()));
    OpenArchive(*archive, *file, kSignatureSearchLimit);
  });
  // The driver keeps both for the whole run; here the harness owns them.
  if (file->Handle != INVALID_HANDLE_VALUE) CloseHandle(file->Handle);
  Delete(archive);
  Delete(file);
  fuzz::EndRun(failed);
  return 0;
}
