// Where the extraction hands the handle of every file it creates; the keeper closes them. The
// stub's handle list keeps them open until setup.exe starts and moves the progress bar with
// each one. The driver supplies it, so that the extraction needs nothing of the driver's.
#pragma once
#include "platform/win32.h"

struct HandleKeeper {
  // Makes room for one more handle. Called before an output file is created, so that keeping
  // its handle cannot fail for memory and leave the file open where the failure path cannot
  // close it (an open file cannot be deleted).
  void (*Reserve)();
  // Takes the handle of a file just created, which stays open.
  void (*Keep)(HANDLE file);
};
