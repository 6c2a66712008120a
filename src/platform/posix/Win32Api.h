// The Win32 subset that the unpacker uses, with the real names, signatures, constants and
// structure layouts, implemented over POSIX. Paths may use backslashes: they are mapped to
// slashes here. The ANSI code page is UTF-8.
#pragma once
#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK

typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int64_t LONGLONG;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef int BOOL;
typedef unsigned int UINT;
typedef char CHAR;
typedef char16_t WCHAR;
typedef int32_t HRESULT;
typedef size_t SIZE_T;
typedef intptr_t LPARAM;
typedef uintptr_t WPARAM;
typedef intptr_t LRESULT;
typedef void* HANDLE;
typedef void* HWND;
typedef void* HINSTANCE;
typedef void* HMODULE;
typedef void* HLOCAL;
typedef void* HICON;
typedef void* HCURSOR;
typedef void* HBRUSH;
typedef void* HRSRC;
typedef void* HGLOBAL;
typedef void* HMENU;
typedef void* HDC;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef LONG* PLONG;
typedef void* PSECURITY_DESCRIPTOR;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_FAILED 0xFFFFFFFFu
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x1u
#define FILE_SHARE_WRITE 0x2u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u

#define FILE_ATTRIBUTE_READONLY 0x1u
#define FILE_ATTRIBUTE_HIDDEN 0x2u
#define FILE_ATTRIBUTE_SYSTEM 0x4u
#define FILE_ATTRIBUTE_DIRECTORY 0x10u
#define FILE_ATTRIBUTE_ARCHIVE 0x20u
#define FILE_ATTRIBUTE_NORMAL 0x80u
#define FILE_ATTRIBUTE_REPARSE_POINT 0x400u
// Attribute bit that 7z archives use to carry Unix st_mode bits in the high 16 bits.
#define FILE_ATTRIBUTE_UNIX_EXTENSION 0x8000u

#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_TOO_MANY_OPEN_FILES 4u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_HANDLE_EOF 38u
#define ERROR_FILE_EXISTS 80u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_NEGATIVE_SEEK 131u
#define ERROR_DIR_NOT_EMPTY 145u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_FILENAME_EXCED_RANGE 206u
#define ERROR_DIRECTORY 267u
#define ERROR_NO_MORE_FILES 18u
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813u

#define SDDL_REVISION_1 1u
#define ERROR_ELEVATION_REQUIRED 740u
#define ERROR_BAD_EXE_FORMAT 193u
#define ERROR_CANCELLED 1223u
#define SEE_MASK_NOCLOSEPROCESS 0x40u

#define LMEM_FIXED 0u
#define CP_ACP 0u
#define CP_UTF8 65001u
#define WC_ERR_INVALID_CHARS 0x80u
#define MB_ERR_INVALID_CHARS 0x8u
#define WC_NO_BEST_FIT_CHARS 0x400u
#define ERROR_INVALID_FLAGS 1004u
#define ERROR_FILE_INVALID 1006u
#define ERROR_NO_UNICODE_TRANSLATION 1113u
#define ERROR_INVALID_WINDOW_HANDLE 1400u

#define STARTF_USESHOWWINDOW 0x1u
#define CREATE_SUSPENDED 0x4u
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWMINIMIZED 2

#define LOGPIXELSY 90

#define WS_CAPTION 0x00C00000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WM_CLOSE 0x0010u
#define WM_USER 0x0400u
#define PM_REMOVE 0x0001u
#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)((WORD)(l) | ((DWORD)(WORD)(h) << 16)))

#define MB_OK 0x0u
#define MB_ICONERROR 0x10u
#define IDOK 1

#define S_OK 0

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};

// Times as FILETIME ticks (0: left as they are) and attributes (0: left as they are).
struct FILE_BASIC_INFO {
  LARGE_INTEGER CreationTime;
  LARGE_INTEGER LastAccessTime;
  LARGE_INTEGER LastWriteTime;
  LARGE_INTEGER ChangeTime;
  DWORD FileAttributes;
};
enum FILE_INFO_BY_HANDLE_CLASS { FileBasicInfo = 0 };

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};
static_assert(sizeof(WIN32_FIND_DATAA) == 320, "WIN32_FIND_DATAA layout");

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};

struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};

struct SHELLEXECUTEINFOA {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCSTR lpVerb;
  LPCSTR lpFile;
  LPCSTR lpParameters;
  LPCSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  void* lpIDList;
  LPCSTR lpClass;
  void* hkeyClass;
  DWORD dwHotKey;
  HANDLE hIconOrMonitor;
  HANDLE hProcess;
};

// Jobs: the processes of one job are a process group here. A process joins a job only while
// it is suspended (CREATE_SUSPENDED: stopped before it runs its program, in a group of its
// own); one that runs already cannot (ERROR_ACCESS_DENIED). A process leaves the job on purpose
// by leaving the group (setsid, setpgid). ActiveProcesses counts the group's living members,
// at most 1 (none or some).
enum JOBOBJECTINFOCLASS {
  JobObjectBasicAccountingInformation = 1,
  JobObjectExtendedLimitInformation = 9,
};
#define JOB_OBJECT_LIMIT_BREAKAWAY_OK 0x800u
struct JOBOBJECT_BASIC_ACCOUNTING_INFORMATION {
  int64_t TotalUserTime, TotalKernelTime, ThisPeriodTotalUserTime, ThisPeriodTotalKernelTime;
  DWORD TotalPageFaultCount, TotalProcesses, ActiveProcesses, TotalTerminatedProcesses;
};
struct JOBOBJECT_BASIC_LIMIT_INFORMATION {
  int64_t PerProcessUserTimeLimit, PerJobUserTimeLimit;
  DWORD LimitFlags;
  SIZE_T MinimumWorkingSetSize, MaximumWorkingSetSize;
  DWORD ActiveProcessLimit;
  uintptr_t Affinity;
  DWORD PriorityClass, SchedulingClass;
};
struct JOBOBJECT_EXTENDED_LIMIT_INFORMATION {
  JOBOBJECT_BASIC_LIMIT_INFORMATION BasicLimitInformation;
  uint64_t IoInfo[6];
  SIZE_T ProcessMemoryLimit, JobMemoryLimit, PeakProcessMemoryUsed, PeakJobMemoryUsed;
};

struct RECT {
  LONG left, top, right, bottom;
};

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};
typedef WORD ATOM;

struct POINT {
  LONG x, y;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};


// KERNEL32: files
HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security,
                          DWORD disposition, DWORD flags, HANDLE templateFile);
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, void* overlapped);
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                      void* overlapped);
DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method);
BOOL WINAPI SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* access,
                        const FILETIME* write);
BOOL WINAPI SetFileAttributesA(LPCSTR name, DWORD attributes);
BOOL WINAPI SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS infoClass,
                                       LPVOID info, DWORD size);
DWORD WINAPI GetFileAttributesA(LPCSTR name);
BOOL WINAPI DeleteFileA(LPCSTR name);
BOOL WINAPI CloseHandle(HANDLE object);
// KERNEL32: directories
BOOL WINAPI CreateDirectoryA(LPCSTR name, SECURITY_ATTRIBUTES* security);
BOOL WINAPI RemoveDirectoryA(LPCSTR name);
HANDLE WINAPI FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
BOOL WINAPI FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);
BOOL WINAPI FindClose(HANDLE search);
DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL WINAPI SetCurrentDirectoryA(LPCSTR name);
// ADVAPI32: access lists
BOOL WINAPI ConvertStringSecurityDescriptorToSecurityDescriptorA(LPCSTR text, DWORD revision,
                                                                 PSECURITY_DESCRIPTOR* descriptor,
                                                                 ULONG* size);
// KERNEL32: temporary names
DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer);
UINT WINAPI GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR name);
UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size);
// KERNEL32: processes
LPSTR WINAPI GetCommandLineA();
void WINAPI GetStartupInfoA(STARTUPINFOA* info);
HMODULE WINAPI GetModuleHandleA(LPCSTR name);
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR name, DWORD size);
BOOL WINAPI CreateProcessA(LPCSTR application, LPSTR commandLine, SECURITY_ATTRIBUTES* process,
                           SECURITY_ATTRIBUTES* thread, BOOL inherit, DWORD flags,
                           LPVOID environment, LPCSTR directory, STARTUPINFOA* startup,
                           PROCESS_INFORMATION* info);
// SHELL32: starts a program as the shell would, asking for consent where Windows wants it.
BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA* info);
DWORD WINAPI WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD code);
DWORD WINAPI ResumeThread(HANDLE thread);
HANDLE WINAPI CreateJobObjectA(SECURITY_ATTRIBUTES* attributes, LPCSTR name);
BOOL WINAPI AssignProcessToJobObject(HANDLE job, HANDLE process);
BOOL WINAPI SetInformationJobObject(HANDLE job, JOBOBJECTINFOCLASS kind, LPVOID info,
                                    DWORD size);
BOOL WINAPI QueryInformationJobObject(HANDLE job, JOBOBJECTINFOCLASS kind, LPVOID info,
                                      DWORD size, LPDWORD returned);
// Writes the text and a line end to stderr (the nearest thing to a debugger's output).
void WINAPI OutputDebugStringA(LPCSTR text);
[[noreturn]] void WINAPI ExitProcess(UINT code);
// Console control events. Here SIGINT, SIGHUP and SIGTERM arrive as CTRL_C_EVENT,
// CTRL_CLOSE_EVENT and CTRL_SHUTDOWN_EVENT, delivered at the next call into this layer once
// no started process is running (a signal is passed on to one that is). A routine that returns
// FALSE ends the process with exit code 128 + the signal's number. One routine at a time.
#define CTRL_C_EVENT 0u
#define CTRL_CLOSE_EVENT 2u
#define CTRL_SHUTDOWN_EVENT 6u
typedef BOOL(WINAPI* PHANDLER_ROUTINE)(DWORD event);
BOOL WINAPI SetConsoleCtrlHandler(PHANDLER_ROUTINE routine, BOOL add);
// KERNEL32: the module's own resources
#define MAKEINTRESOURCEA(id) reinterpret_cast<LPSTR>(static_cast<uintptr_t>(static_cast<WORD>(id)))
HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
LPVOID WINAPI LockResource(HGLOBAL data);
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD code);
// KERNEL32: time
DWORD WINAPI GetTickCount();  // milliseconds since some start, wrapping after 49.7 days
void WINAPI Sleep(DWORD milliseconds);
// KERNEL32: text and memory
UINT WINAPI GetACP();
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR units,
                               int unitCount);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR units, int unitCount,
                               LPSTR text, int bytes, LPCSTR defaultChar, BOOL* usedDefault);
HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL WINAPI LocalFree(HLOCAL block);
// USER32 and COMCTL32
ATOM WINAPI RegisterClassA(const WNDCLASSA* windowClass);
BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance);
HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x,
                            int y, int width, int height, HWND parent, HMENU menu,
                            HINSTANCE instance, LPVOID param);
LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND WINAPI GetDesktopWindow();
BOOL WINAPI GetClientRect(HWND window, RECT* rect);
BOOL WINAPI ShowWindow(HWND window, int command);
BOOL WINAPI UpdateWindow(HWND window);
BOOL WINAPI DestroyWindow(HWND window);
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI SetWindowTextW(HWND window, LPCWSTR text);
// The thread's message queue: the headless windows post nothing, so it is always empty.
BOOL WINAPI PeekMessageA(MSG* message, HWND window, UINT first, UINT last, UINT remove);
BOOL WINAPI TranslateMessage(const MSG* message);
LRESULT WINAPI DispatchMessageA(const MSG* message);
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
void WINAPI InitCommonControls();
// GDI32 and the screen's DPI
HDC WINAPI GetDC(HWND window);
int WINAPI ReleaseDC(HWND window, HDC context);
int WINAPI GetDeviceCaps(HDC context, int index);
int WINAPI MulDiv(int number, int numerator, int denominator);
