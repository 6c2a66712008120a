// What the extraction hands to its caller: the handle of every file it creates, which the
// keeper closes, and how far the writing has come. The stub's handle list keeps the handles
// open until setup.exe starts, and its window shows the bytes written. The driver supplies it,
// so that the extraction needs nothing of the driver's.
#pragma once
#include <cstdint>

#include "platform/win32.h"

struct HandleKeeper {
  // Makes room for one more handle. Called before an output file is created, so that keeping
  // its handle cannot fail for memory and leave the file open where the failure path cannot
  // close it (an open file cannot be deleted).
  void (*Reserve)();
  // Takes the handle of a file just created, which stays open.
  void (*Keep)(HANDLE file);
  // The bytes of all the files to write, from the header, once before the first entry.
  void (*Expect)(uint64_t totalBytes);
  // bytes more have been written; 0 as each entry begins. Called often, so the keeper can
  // also attend to its window between the pieces of a long decoding.
  void (*Advance)(uint32_t bytes);
};
