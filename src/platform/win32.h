// The one header through which the unpacker reaches the Win32 API. On Windows it is the real
// API; elsewhere it is our implementation of the subset we use, over POSIX.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>
#include <propidl.h>
#include <sddl.h>
#include <shellapi.h>

// CreateProcess's answer for a program whose manifest asks for administrator rights.
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740
#endif

// Bit 0x8000 of an archived attribute value: the high 16 bits carry Unix st_mode bits.
#ifndef FILE_ATTRIBUTE_UNIX_EXTENSION
#define FILE_ATTRIBUTE_UNIX_EXTENSION 0x8000u
#endif

#else
#include "platform/posix/Win32Api.h"
#endif
