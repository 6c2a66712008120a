// Decodes one folder of packed data onto a WriteStream, in pieces.
#pragma once
#include <cstdint>

#include "format/Folder.h"
#include "support/ItemVector.h"
#include "support/Streams.h"

class InputFile;
class CoderMixer;
class PackStreamReader;
class LimitedReadStream;

class FolderDecoder {
 public:
  FolderDecoder() = default;
  ~FolderDecoder();
  FolderDecoder(const FolderDecoder&) = delete;
  FolderDecoder& operator=(const FolderDecoder&) = delete;

  // packSizes has one entry per packed stream of the folder, in order, starting at packStart.
  // Returns after the whole coder graph has run; every failure ends the run.
  void DecodeFolder(InputFile& file, uint32_t packStart, const uint32_t* packSizes,
                    const Folder& folder, WriteStream* out);

 private:
  // Frees the mixer, the decoders with their dictionaries and the packed-stream readers.
  void Release();

  CoderMixer* mixer_ = nullptr;
  ItemVector<Decoder*> decoders_;
  ItemVector<PackStreamReader*> packReaders_;
  ItemVector<LimitedReadStream*> limitedReaders_;
};

// Decodes one folder with a FolderDecoder of its own: how OpenArchive decodes a header's
// additional streams.
void DecodeFolder(InputFile& file, uint32_t packStart, const uint32_t* packSizes,
                  const Folder& folder, WriteStream* out);
