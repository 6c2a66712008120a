// Preloaded into an installer or stubpack run by tests: pauses the process at the first open
// of a chosen file, so that a test can act while the run is under way (send a signal, replace
// a file).
// STUBKIT_PAUSE_AT is the file's name (its last path component); STUBKIT_PAUSE_MARK a file
// made when the pause begins. The pause ends when the test removes the mark (or after 60 s).
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using OpenFunction = int (*)(const char*, int, ...);
bool paused = false;

int RealOpen(const char* symbol, const char* path, int flags, mode_t mode) {
  auto real = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, symbol));
  return real(path, flags, mode);
}

void PauseAt(const char* path) {
  const char* at = std::getenv("STUBKIT_PAUSE_AT");
  const char* mark = std::getenv("STUBKIT_PAUSE_MARK");
  if (paused || !at || !mark || !path) return;
  const char* slash = std::strrchr(path, '/');
  if (std::strcmp(slash ? slash + 1 : path, at) != 0) return;
  paused = true;
  close(RealOpen("open", mark, O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
  for (int i = 0; i < 6000 && access(mark, F_OK) == 0; ++i) usleep(10000);
}

int OpenAfterPause(const char* symbol, const char* path, int flags, va_list arguments) {
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? mode_t(va_arg(arguments, int)) : 0;
  PauseAt(path);
  return RealOpen(symbol, path, flags, mode);
}

int OpenAtAfterPause(const char* symbol, int directory, const char* path, int flags,
                     va_list arguments) {
  using OpenAtFunction = int (*)(int, const char*, int, ...);
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? mode_t(va_arg(arguments, int)) : 0;
  PauseAt(path);
  return reinterpret_cast<OpenAtFunction>(dlsym(RTLD_NEXT, symbol))(directory, path, flags, mode);
}

}  // namespace

#define PAUSING_OPEN(name)                                        \
  extern "C" int name(const char* path, int flags, ...) {         \
    va_list arguments;                                            \
    va_start(arguments, flags);                                   \
    const int fd = OpenAfterPause(#name, path, flags, arguments); \
    va_end(arguments);                                            \
    return fd;                                                    \
  }
PAUSING_OPEN(open)
PAUSING_OPEN(open64)

// Files are also opened relative to a directory's descriptor.
#define PAUSING_OPENAT(name)                                                  \
  extern "C" int name(int directory, const char* path, int flags, ...) {      \
    va_list arguments;                                                        \
    va_start(arguments, flags);                                               \
    const int fd = OpenAtAfterPause(#name, directory, path, flags, arguments); \
    va_end(arguments);                                                        \
    return fd;                                                                \
  }
PAUSING_OPENAT(openat)
PAUSING_OPENAT(openat64)

// C++ file streams open through fopen.
#define PAUSING_FOPEN(name)                                                   \
  extern "C" FILE* name(const char* path, const char* mode) {                 \
    PauseAt(path);                                                            \
    using Function = FILE* (*)(const char*, const char*);                     \
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, #name))(path, mode);   \
  }
PAUSING_FOPEN(fopen)
PAUSING_FOPEN(fopen64)
