// Files and directories. A file handle keeps its own position and reopens its descriptor on
// demand, so any number of handles can stay open with a bounded number of descriptors.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <list>
#include <map>

#include "platform/posix/PosixInternal.h"
#include "platform/posix/PosixTime.h"

namespace posix_layer {
namespace {

// The hidden, system and archive bits live in this extended attribute, and only when they
// differ from what Windows gives a new file of the kind: archive for a file, nothing for a
// directory. Most files keep the default and so carry no attribute to write, read or free.
const char kDosAttributeName[] = "user.DOSATTRIB";
const DWORD kDosBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

DWORD DefaultDosBits(mode_t mode) { return S_ISREG(mode) ? FILE_ATTRIBUTE_ARCHIVE : 0; }

// How many handles keep a descriptor at once: at most 256, and always well within the
// process's descriptor limit, which leaves room for the standard streams, the stub's own file,
// directory searches and starting a process.
size_t MaxDescriptors() {
  static const size_t limit = [] {
    struct rlimit nofile;
    if (getrlimit(RLIMIT_NOFILE, &nofile) != 0 || nofile.rlim_cur == RLIM_INFINITY ||
        nofile.rlim_cur > 512)
      return size_t(256);
    const size_t soft = size_t(nofile.rlim_cur);
    const size_t reserve = soft / 2 < 16 ? soft / 2 : 16;
    return soft - reserve > 1 ? soft - reserve : size_t(1);
  }();
  return limit;
}

struct FileObject : HandleObject {
  FileObject() : HandleObject(HandleKind::File) {}
  std::string path;
  int reopenFlags = 0;
  int fd = -1;
  uint64_t position = 0;
  DWORD share = 0;
  std::pair<dev_t, ino_t> identity;
  // What the handle knows of its file's attributes without asking again: its mode, and
  // whether it carries no DOS attribute (true for a file the handle created). Valid while no
  // attributes were set by name since (FileTable::attributesSetByName unchanged).
  mode_t mode = 0;
  bool noDosAttribute = false;
  uint64_t knownAt = 0;
  bool pinned = false;  // keeps its descriptor: never reopened by path
  std::list<FileObject*>::iterator lru;
};

struct FileTable {
  std::list<FileObject*> withDescriptor;  // most recently used first
  std::map<std::pair<dev_t, ino_t>, uint32_t> deleteLocked;  // open without FILE_SHARE_DELETE
  uint32_t openHandles = 0;
  uint64_t attributesSetByName = 1;  // SetFileAttributesA calls, so 0 never counts as current
};

FileTable& Files() {
  static FileTable* table = new FileTable;
  return *table;
}

void DropDescriptor(FileObject* file) {
  if (file->fd < 0) return;
  close(file->fd);
  file->fd = -1;
  if (!file->pinned) Files().withDescriptor.erase(file->lru);
}

void MakeRoomForDescriptor() {
  FileTable& table = Files();
  if (table.withDescriptor.size() >= MaxDescriptors()) DropDescriptor(table.withDescriptor.back());
}

void AdoptDescriptor(FileObject* file, int fd) {
  file->fd = fd;
  if (file->pinned) return;
  MakeRoomForDescriptor();
  FileTable& table = Files();
  table.withDescriptor.push_front(file);
  file->lru = table.withDescriptor.begin();
}

// The file's descriptor, reopened by path when it was parked; -1 with the last error set when
// that fails. What stands at the path now may be another file: the handle then fails, as a
// Windows handle does whose file was altered behind it, rather than reading or writing the
// newcomer (opened without blocking, so that a pipe put there cannot stall the run).
int Descriptor(FileObject* file) {
  FileTable& table = Files();
  if (file->fd >= 0) {
    if (!file->pinned)
      table.withDescriptor.splice(table.withDescriptor.begin(), table.withDescriptor, file->lru);
    return file->fd;
  }
  MakeRoomForDescriptor();
  PathAt at(file->path);
  if (!at.resolved) return -1;
  int fd = openat(at.directory, at.name.c_str(),
                  file->reopenFlags | O_CLOEXEC | O_NONBLOCK | (at.inside ? O_NOFOLLOW : 0));
  if (fd < 0) {
    FailWithErrno();
    return -1;
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || std::make_pair(info.st_dev, info.st_ino) != file->identity) {
    close(fd);
    Fail(ERROR_FILE_INVALID);  // the file changed under the handle
    return -1;
  }
  AdoptDescriptor(file, fd);
  return fd;
}

// Whether path is this process's own executable (or the stand-in a test gave for it).
bool IsOwnModule(const struct stat& opened) {
  const char* path = "/proc/self/exe";
  if constexpr (kSeams)
    if (!StandIns().moduleFileName.empty()) path = StandIns().moduleFileName.c_str();
  struct stat own;
  if (stat(path, &own) != 0) return false;
  return own.st_dev == opened.st_dev && own.st_ino == opened.st_ino;
}

FileObject* AsFile(HANDLE handle) {
  return static_cast<FileObject*>(AsObject(handle, HandleKind::File));
}

// The file behind handle, its descriptor in fd; null with the last error set when handle is not
// a file or its descriptor cannot be had.
FileObject* FileWithDescriptor(HANDLE handle, int& fd) {
  FileObject* file = AsFile(handle);
  if (!file) {
    Fail(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  fd = Descriptor(file);
  return fd < 0 ? nullptr : file;
}

DWORD ReadDosBits(const std::string& path, mode_t mode) {
  char text[32] = {};
  ssize_t n = lgetxattr(path.c_str(), kDosAttributeName, text, sizeof text - 1);
  if (n <= 0) return DefaultDosBits(mode);
  return DWORD(std::strtoul(text, nullptr, 0)) & kDosBits;
}

}  // namespace

BOOL CloseFileObject(HANDLE handle);

uint32_t OpenFileHandleCount() { return Files().openHandles; }
uint32_t OpenDescriptorCount() { return uint32_t(Files().withDescriptor.size()); }

// Attributes of a path as Windows reports them, from an lstat of it.
DWORD AttributesOf(const std::string& path, const struct stat& link) {
  struct stat target = link;
  DWORD attributes = 0;
  if (S_ISLNK(link.st_mode)) {
    attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    if (stat(path.c_str(), &target) != 0) target = link;
  }
  if (S_ISDIR(target.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (!(target.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  attributes |= ReadDosBits(path, link.st_mode);
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  return attributes;
}

// The same from the path alone; INVALID_FILE_ATTRIBUTES when it is absent.
DWORD AttributesOf(const std::string& path) {
  struct stat link;
  if (lstat(path.c_str(), &link) != 0) return INVALID_FILE_ATTRIBUTES;
  return AttributesOf(path, link);
}

}  // namespace posix_layer

using namespace posix_layer;

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, SECURITY_ATTRIBUTES*,
                          DWORD disposition, DWORD, HANDLE) {
  if (ShouldFail(Api::CreateFileA)) return INVALID_HANDLE_VALUE;
  std::string path = MapPath(name);
  int flags = 0;
  if ((access & GENERIC_READ) && (access & GENERIC_WRITE)) flags = O_RDWR;
  else if (access & GENERIC_WRITE) flags = O_WRONLY;
  else flags = O_RDONLY;
  int reopenFlags = flags;
  switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case OPEN_EXISTING: break;
    default: Fail(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  // What stands at the path decides the error; a new file (CREATE_NEW) needs no look first,
  // since its open fails on anything that exists and is looked at only then.
  PathAt at(path);
  if (!at.resolved) return INVALID_HANDLE_VALUE;
  struct stat info;
  const bool exclusive = (flags & O_EXCL) != 0;
  if (!exclusive && fstatat(at.directory, at.name.c_str(), &info, 0) == 0) {
    if (S_ISDIR(info.st_mode)) {
      Fail(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    // A read-only file cannot be opened for writing, as on Windows (root could otherwise).
    if ((access & GENERIC_WRITE) && !(info.st_mode & S_IWUSR)) {
      Fail(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
  }
  FileTable& table = Files();
  MakeRoomForDescriptor();
  int fd = openat(at.directory, at.name.c_str(),
                  flags | O_CLOEXEC | (at.inside ? O_NOFOLLOW : 0), 0666);
  if (fd < 0) {
    const int error = errno;
    FailWithErrno();
    if (error == EEXIST) {
      const bool directory =
          fstatat(at.directory, at.name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode);
      SetLastError(directory ? ERROR_ACCESS_DENIED : ERROR_FILE_EXISTS);
    }
    return INVALID_HANDLE_VALUE;
  }
  auto* file = new FileObject;
  file->path = path;
  file->reopenFlags = reopenFlags;
  file->share = share;
  fstat(fd, &info);
  file->identity = {info.st_dev, info.st_ino};
  file->mode = info.st_mode;
  file->noDosAttribute = exclusive;  // a new inode has no extended attributes
  file->knownAt = table.attributesSetByName;
  // The stub reads its archive from its own file to the end of the run: replaced while parked,
  // it would be read from the replacement.
  file->pinned = disposition == OPEN_EXISTING && !(access & GENERIC_WRITE) && IsOwnModule(info);
  if (!(share & 0x4)) ++table.deleteLocked[file->identity];  // no FILE_SHARE_DELETE
  ++table.openHandles;
  AdoptDescriptor(file, fd);
  return file;
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read, void*) {
  if (read) *read = 0;
  if (ShouldFail(Api::ReadFile)) return FALSE;
  int fd;
  FileObject* file = FileWithDescriptor(handle, fd);
  if (!file) return FALSE;
  DWORD done = 0;
  while (done < toRead) {
    ssize_t n = pread(fd, static_cast<char*>(buffer) + done, toRead - done,
                      off_t(file->position + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FailWithErrno();
    if (n == 0) break;
    done += DWORD(n);
  }
  file->position += done;
  if (read) *read = done;
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written, void*) {
  if (written) *written = 0;
  if (ShouldFail(Api::WriteFile)) return FALSE;
  if constexpr (kSeams)
    if (posix_testing::CallCount(Api::WriteFile) == StandIns().shortWriteCall) toWrite /= 2;
  int fd;
  FileObject* file = FileWithDescriptor(handle, fd);
  if (!file) return FALSE;
  DWORD done = 0;
  while (done < toWrite) {
    ssize_t n = pwrite(fd, static_cast<const char*>(buffer) + done, toWrite - done,
                       off_t(file->position + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      file->position += done;
      if (written) *written = done;
      return FailWithErrno();
    }
    done += DWORD(n);
  }
  file->position += done;
  if (written) *written = done;
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD method) {
  if (ShouldFail(Api::SetFilePointer)) return INVALID_SET_FILE_POINTER;
  FileObject* file = AsFile(handle);
  if (!file) {
    Fail(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t move = distanceHigh ? int64_t((uint64_t(uint32_t(*distanceHigh)) << 32) |
                                        uint32_t(distance))
                              : int64_t(distance);
  int64_t base = 0;
  if (method == FILE_CURRENT) {
    base = int64_t(file->position);
  } else if (method == FILE_END) {
    struct stat info;
    int fd = Descriptor(file);
    if (fd < 0) return INVALID_SET_FILE_POINTER;
    if (fstat(fd, &info) != 0) {
      FailWithErrno();
      return INVALID_SET_FILE_POINTER;
    }
    base = info.st_size;
  } else if (method != FILE_BEGIN) {
    Fail(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t target = base + move;
  if (target < 0) {
    Fail(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  file->position = uint64_t(target);
  if (distanceHigh) *distanceHigh = LONG(uint64_t(target) >> 32);
  SetLastError(ERROR_SUCCESS);
  return DWORD(uint64_t(target));
}

BOOL WINAPI SetFileTime(HANDLE handle, const FILETIME* creation, const FILETIME* access,
                        const FILETIME* write) {
  (void)creation;  // Linux keeps no creation time that can be set
  if (ShouldFail(Api::SetFileTime)) return FALSE;
  int fd;
  if (!FileWithDescriptor(handle, fd)) return FALSE;
  struct timespec times[2];
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_nsec = UTIME_OMIT;
  if (access) times[0] = FileTimeToTimespec(*access);
  if (write) times[1] = FileTimeToTimespec(*write);
  if (futimens(fd, times) != 0) return FailWithErrno();
  return TRUE;
}

namespace {

// The permission bits attributes give a file or directory that has mode now.
mode_t ModeFor(const struct stat& now, DWORD attributes) {
  mode_t mode = now.st_mode & 07777;
  // Permission bits only: an archive must not make set-user-id or set-group-id files.
  if (attributes & FILE_ATTRIBUTE_UNIX_EXTENSION) mode = (attributes >> 16) & 0777;
  if (S_ISDIR(now.st_mode)) {
    // Windows ignores the read-only bit on directories; here the owner keeps the right to
    // list, enter and change them too, or their contents could not be removed.
    mode |= S_IRWXU;
  } else if (attributes & FILE_ATTRIBUTE_READONLY) {
    mode &= mode_t(~0222);
  } else if (!(mode & S_IWUSR) && !(attributes & FILE_ATTRIBUTE_UNIX_EXTENSION)) {
    mode |= S_IWUSR;
  }
  return mode;
}

// The extended attribute's text for the bits attributes give a file of mode; empty when they
// are the default, which is kept as no attribute at all.
std::string DosBitsText(DWORD attributes, mode_t mode) {
  const DWORD dosBits = attributes & kDosBits;
  if (dosBits == DefaultDosBits(mode)) return std::string();
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", unsigned(dosBits));
  return text;
}

// Gives attributes to the object fd holds (opened for its path alone, which fchmod does not
// take: it is changed through the descriptor's name under /proc).
BOOL SetHeldAttributes(int fd, DWORD attributes) {
  struct stat info;
  if (fstat(fd, &info) != 0) return FailWithErrno();
  if (S_ISLNK(info.st_mode)) return TRUE;  // links carry no attributes of their own
  const std::string held = "/proc/self/fd/" + std::to_string(fd);
  const mode_t mode = ModeFor(info, attributes);
  // Most files already have the mode they are given (the packer took it from them).
  if (mode != (info.st_mode & 07777) && chmod(held.c_str(), mode) != 0) return FailWithErrno();
  const std::string dosBits = DosBitsText(attributes, info.st_mode);
  if (!dosBits.empty())
    setxattr(held.c_str(), kDosAttributeName, dosBits.data(), dosBits.size(), 0);  // best effort
  else
    removexattr(held.c_str(), kDosAttributeName);
  return TRUE;
}

}  // namespace

BOOL WINAPI SetFileAttributesA(LPCSTR name, DWORD attributes) {
  if (ShouldFail(Api::SetFileAttributesA)) return FALSE;
  ++Files().attributesSetByName;
  std::string path = MapPath(name);
  if constexpr (kSeams) RecordCall("SetFileAttributesA " + path);
  PathAt at(path);
  if (!at.resolved) return FALSE;
  // The object at the name itself, held while it is changed: a name swapped for a link
  // meanwhile cannot send the change to what the link points to.
  const int fd = openat(at.directory, at.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return FailWithErrno();
  const BOOL done = SetHeldAttributes(fd, attributes);
  close(fd);
  return done;
}

// Basic information only: the last-access and last-write times and the attributes, each left
// as it is when 0 (Linux keeps no creation or change time that can be set). The file is the
// handle's own, whatever stands at its path by now.
BOOL WINAPI SetFileInformationByHandle(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS infoClass,
                                       LPVOID buffer, DWORD size) {
  if (ShouldFail(Api::SetFileInformationByHandle)) return FALSE;
  if (infoClass != FileBasicInfo || !buffer || size < sizeof(FILE_BASIC_INFO))
    return Fail(ERROR_INVALID_PARAMETER);
  const FILE_BASIC_INFO& basic = *static_cast<const FILE_BASIC_INFO*>(buffer);
  int fd;
  FileObject* file = FileWithDescriptor(handle, fd);
  if (!file) return FALSE;
  if constexpr (kSeams) RecordCall("SetFileInformationByHandle " + file->path);
  struct timespec times[2];
  const LARGE_INTEGER* given[2] = {&basic.LastAccessTime, &basic.LastWriteTime};
  for (int i = 0; i < 2; ++i) {
    const uint64_t ticks = uint64_t(given[i]->QuadPart);
    times[i].tv_nsec = UTIME_OMIT;
    if (given[i]->QuadPart > 0)
      times[i] = FileTimeToTimespec(FILETIME{DWORD(ticks), DWORD(ticks >> 32)});
  }
  if ((times[0].tv_nsec != UTIME_OMIT || times[1].tv_nsec != UTIME_OMIT) &&
      futimens(fd, times) != 0)
    return FailWithErrno();
  if (basic.FileAttributes == 0) return TRUE;
  // A file the handle made and alone changed is not asked again for what the handle knows.
  struct stat info;
  const bool known = file->knownAt == Files().attributesSetByName;
  if (known) info.st_mode = file->mode;
  else if (fstat(fd, &info) != 0) return FailWithErrno();
  const mode_t mode = ModeFor(info, basic.FileAttributes);
  if (mode != (info.st_mode & 07777) && fchmod(fd, mode) != 0) return FailWithErrno();
  const std::string dosBits = DosBitsText(basic.FileAttributes, info.st_mode);
  bool noDosAttribute = known && file->noDosAttribute;
  if (!dosBits.empty())
    noDosAttribute = fsetxattr(fd, kDosAttributeName, dosBits.data(), dosBits.size(), 0) != 0;
  else if (!noDosAttribute)
    noDosAttribute = fremovexattr(fd, kDosAttributeName) == 0 || errno == ENODATA;
  file->mode = (info.st_mode & ~mode_t(07777)) | mode;
  file->noDosAttribute = noDosAttribute;
  file->knownAt = Files().attributesSetByName;
  return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR name) {
  DWORD attributes = AttributesOf(MapPath(name));
  if (attributes == INVALID_FILE_ATTRIBUTES) FailWithErrno();
  return attributes;
}

BOOL WINAPI DeleteFileA(LPCSTR name) {
  if (ShouldFail(Api::DeleteFileA)) return FALSE;
  std::string path = MapPath(name);
  if constexpr (kSeams) RecordCall("DeleteFileA " + path);
  PathAt at(path);
  if (!at.resolved) return FALSE;
  struct stat info;
  if (fstatat(at.directory, at.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
    return FailWithErrno();
  if (S_ISDIR(info.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (!S_ISLNK(info.st_mode)) {
    if (!(info.st_mode & S_IWUSR)) return Fail(ERROR_ACCESS_DENIED);  // read-only
    auto locked = Files().deleteLocked.find({info.st_dev, info.st_ino});
    if (locked != Files().deleteLocked.end() && locked->second > 0)
      return Fail(ERROR_SHARING_VIOLATION);  // open without FILE_SHARE_DELETE
  }
  if (unlinkat(at.directory, at.name.c_str(), 0) != 0) return FailWithErrno();
  return TRUE;
}

BOOL posix_layer::CloseFileObject(HANDLE handle) {
  FileObject* file = AsFile(handle);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  FileTable& table = Files();
  DropDescriptor(file);
  if (!(file->share & 0x4)) {
    auto locked = table.deleteLocked.find(file->identity);
    if (locked != table.deleteLocked.end() && --locked->second == 0) table.deleteLocked.erase(locked);
  }
  --table.openHandles;
  delete file;
  return TRUE;
}

// The one descriptor the layer knows: a protected access list whose entries grant access to
// the owner, SYSTEM and Administrators only. Here that is the owner alone: mode 0700.
BOOL WINAPI ConvertStringSecurityDescriptorToSecurityDescriptorA(LPCSTR text, DWORD revision,
                                                                 PSECURITY_DESCRIPTOR* descriptor,
                                                                 ULONG* size) {
  std::string rest = text ? text : "";
  if (revision != SDDL_REVISION_1 || rest.compare(0, 3, "D:P") != 0 || rest.size() == 3)
    return Fail(ERROR_INVALID_PARAMETER);
  for (rest.erase(0, 3); !rest.empty();) {
    size_t end = rest.find(')');
    std::string ace = rest.substr(0, end == std::string::npos ? end : end + 1);
    if (ace != "(A;OICI;FA;;;OW)" && ace != "(A;OICI;FA;;;SY)" && ace != "(A;OICI;FA;;;BA)")
      return Fail(ERROR_INVALID_PARAMETER);
    rest.erase(0, ace.size());
  }
  *descriptor = LocalAlloc(LMEM_FIXED, 1);
  if (!*descriptor) return FALSE;
  if (size) *size = 1;
  return TRUE;
}

BOOL WINAPI CreateDirectoryA(LPCSTR name, SECURITY_ATTRIBUTES* security) {
  if (ShouldFail(Api::CreateDirectoryA)) return FALSE;
  std::string path = MapPath(name);
  // An owner-only directory is 0700 whatever the umask; no other user can enter it meanwhile.
  bool ownerOnly = security && security->lpSecurityDescriptor;
  PathAt at(path);
  if (!at.resolved) return FALSE;
  if (mkdirat(at.directory, at.name.c_str(), ownerOnly ? 0700 : 0777) != 0) return FailWithErrno();
  if (ownerOnly && fchmodat(at.directory, at.name.c_str(), 0700, 0) != 0) return FailWithErrno();
  return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR name) {
  if (ShouldFail(Api::RemoveDirectoryA)) return FALSE;
  std::string path = MapPath(name);
  if constexpr (kSeams) RecordCall("RemoveDirectoryA " + path);
  PathAt at(path);
  if (!at.resolved) return FALSE;
  struct stat info;
  if (fstatat(at.directory, at.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
    return FailWithErrno();
  // A link to a directory is removed itself, never what it points to.
  if (!S_ISLNK(info.st_mode) && !S_ISDIR(info.st_mode)) return Fail(ERROR_DIRECTORY);
  if (unlinkat(at.directory, at.name.c_str(), S_ISDIR(info.st_mode) ? AT_REMOVEDIR : 0) != 0)
    return FailWithErrno();
  return TRUE;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  if (ShouldFail(Api::GetCurrentDirectoryA)) return 0;
  char path[4096];
  if (!getcwd(path, sizeof path)) return FailWithErrno();
  DWORD length = DWORD(std::strlen(path));
  if (length + 1 > size) return length + 1;
  std::memcpy(buffer, path, length + 1);
  return length;
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR name) {
  if (ShouldFail(Api::SetCurrentDirectoryA)) return FALSE;
  std::string path = MapPath(name);
  if constexpr (kSeams) RecordCall("SetCurrentDirectoryA " + path);
  if (chdir(path.c_str()) != 0) return FailWithErrno();
  return TRUE;
}
