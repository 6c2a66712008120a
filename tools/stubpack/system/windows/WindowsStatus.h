// The status of a file from what Windows says of it, shared by the Windows side of the layer.
#pragma once
#include <windows.h>

#include <string>

#include "system/FileStatus.h"

bool StatusOfHandle(HANDLE handle, FileStatus& status, std::string& error);
void StatusFromAttributes(DWORD attributes, DWORD sizeHigh, DWORD sizeLow,
                          const FILETIME& lastWrite, FileStatus& status);
