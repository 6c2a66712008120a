// The one header through which the unpacker reaches the Win32 API. On Windows it is the real
// API; elsewhere it is our implementation of the subset we use, over POSIX.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commctrl.h>
#include <oleauto.h>
#include <propidl.h>
#else
#include "platform/posix/Win32Api.h"
#endif
