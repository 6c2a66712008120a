// Decodes one folder of packed data onto a WriteStream.
#pragma once
#include <cstdint>

#include "decode/Streams.h"

class InputFile;
struct Folder;
class CoderMixer;
class LzmaDecoder;
class Bcj2Decoder;

class FolderDecoder {
 public:
  FolderDecoder() = default;
  ~FolderDecoder();
  FolderDecoder(const FolderDecoder&) = delete;
  FolderDecoder& operator=(const FolderDecoder&) = delete;

  // packSizes has one entry per packed stream of the folder, in order, starting at packStart.
  void DecodeFolder(InputFile& file, uint32_t packStart, const uint32_t* packSizes,
                    const Folder& folder, WriteStream* out);
};
