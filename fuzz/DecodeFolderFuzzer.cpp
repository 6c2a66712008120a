// DecodeFolder on an arbitrary folder record and packed data. Input: a folder record as the
// header stores it, one unpack size per out-stream, one pack size per packed stream (7z
// numbers), then the packed data, which starts the file image the decoder reads.
#include <lzma.h>

#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "archive/HeaderCursor.h"
#include "archive/HeaderParsing.h"
#include "decode/FolderDecoder.h"
#include "support/InputFile.h"
#include "support/MemAlloc.h"

namespace {

// Takes every byte and keeps a digest, as the folder output stream would.
class DigestSink : public WriteStream {
 public:
  uint32_t Write(const void* data, uint32_t size) override {
    crc = lzma_crc32(static_cast<const uint8_t*>(data), size, crc);
    total += size;
    return size;
  }
  uint32_t crc = 0;
  uint64_t total = 0;
};

const uint32_t kPackStart = 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Initialise();
  fuzz::BeginRun();
  InputFile* file = New<InputFile>();
  bool failed;
  {
    Folder folder;
    std::vector<uint32_t> packSizes;
    failed = fuzz::EndsInFailure([&] {
      HeaderCursor cursor(nullptr);
      cursor.PushBuffer(data, uint32_t(size));
      ReadFolder(cursor, folder);
      for (uint32_t i = 0; i < folder.TotalOutStreams(); ++i)
        folder.UnpackSizes.Add(cursor.ReadNumber32());
      for (uint32_t i = 0; i < folder.PackedStreams.Count(); ++i)
        packSizes.push_back(cursor.ReadNumber32());
      uint32_t used = cursor.Current().Position;
      std::string image(kPackStart, '\xA5');
      image.append(reinterpret_cast<const char*>(data) + used, size - used);
      std::string path = fuzz::WriteScratchFile("packed.bin", image);
      file->Open(WideString::FromAnsi(path.c_str()));
      DigestSink sink;
      FolderDecoder decoder;
      decoder.DecodeFolder(*file, kPackStart, packSizes.data(), folder, &sink);
    });
  }
  if (file->Handle != INVALID_HANDLE_VALUE) CloseHandle(file->Handle);
  Delete(file);
  fuzz::EndRun(failed);
  return 0;
}
