// Processes, the command line, temporary names, the module name and handle closing.
#include <fcntl.h>
#include <spawn.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>

#include "platform/posix/PosixInternal.h"

extern char** environ;

namespace posix_layer {

BOOL CloseFileObject(HANDLE handle);
BOOL CloseSearchObject(HANDLE handle);

namespace {

struct ProcessObject : HandleObject {
  ProcessObject() : HandleObject(HandleKind::Process) {}
  pid_t pid = -1;
  bool ended = false;
  int status = 0;
};

struct ThreadObject : HandleObject {
  ThreadObject() : HandleObject(HandleKind::Thread) {}
  pid_t pid = -1;
  bool suspended = false;
};

// Quotes one argument so that the Windows splitting rules give it back unchanged.
std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') quoted.append(backslashes * 2 + 1, '\\');
    else quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

}  // namespace

// Splits a command line by the Windows rules: the program name ends at the closing quote or
// the first blank; arguments follow the backslash-and-quote rules of the C runtime.
std::vector<std::string> SplitCommandLine(const char* line) {
  std::vector<std::string> words;
  const char* p = line;
  std::string program;
  if (*p == '"') {
    for (++p; *p && *p != '"'; ++p) program += *p;
    if (*p == '"') ++p;
  } else {
    for (; *p && *p != ' ' && *p != '\t'; ++p) program += *p;
  }
  words.push_back(program);
  for (;;) {
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) break;
    std::string word;
    bool quoted = false;
    while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
      size_t backslashes = 0;
      while (*p == '\\') {
        ++backslashes;
        ++p;
      }
      if (*p == '"') {
        word.append(backslashes / 2, '\\');
        if (backslashes % 2) {
          word += '"';
          ++p;
        } else if (quoted && p[1] == '"') {
          word += '"';
          p += 2;
        } else {
          quoted = !quoted;
          ++p;
        }
      } else {
        word.append(backslashes, '\\');
        if (*p && (quoted || (*p != ' ' && *p != '\t'))) word += *p++;
      }
    }
    words.push_back(word);
  }
  return words;
}

}  // namespace posix_layer

using namespace posix_layer;

LPSTR WINAPI GetCommandLineA() {
  static std::string* line = nullptr;
  if (!line) {
    line = new std::string;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t start = 0;
    while (start < all.size()) {
      size_t end = all.find('\0', start);
      if (end == std::string::npos) end = all.size();
      if (!line->empty()) *line += ' ';
      *line += QuoteArgument(all.substr(start, end - start));
      start = end + 1;
    }
  }
  return &(*line)[0];
}

void WINAPI GetStartupInfoA(STARTUPINFOA* info) {
  std::memset(info, 0, sizeof *info);
  info->cb = sizeof *info;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
  static char image;
  return name ? nullptr : &image;
}

DWORD WINAPI GetModuleFileNameA(HMODULE, LPSTR name, DWORD size) {
  if (ShouldFail(Api::GetModuleFileNameA)) return 0;
  std::string path;
  if constexpr (kSeams) path = StandIns().moduleFileName;
  if (path.empty()) {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n < 0) return FailWithErrno();
    path.assign(buffer, size_t(n));
  }
  if (size == 0) return 0;
  if (path.size() + 1 > size) {
    std::memcpy(name, path.data(), size - 1);
    name[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(name, path.c_str(), path.size() + 1);
  return DWORD(path.size());
}

DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer) {
  if (ShouldFail(Api::GetTempPathA)) return 0;
  const char* base = std::getenv("TMPDIR");
  std::string path = base && *base ? base : "/tmp";
  // Always a full path, as on Windows: the run changes its current directory, and a relative
  // name would then point elsewhere (and could not be removed).
  if (path[0] != '/') {
    char current[4096];
    if (!getcwd(current, sizeof current)) return FailWithErrno();
    path = std::string(current) + (current[1] ? "/" : "") + path;
  }
  if (path.back() != '/') path += '/';
  if (path.size() + 1 > size) return DWORD(path.size() + 1);
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return DWORD(path.size());
}

UINT WINAPI GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR name) {
  if (ShouldFail(Api::GetTempFileNameA)) return 0;
  std::string folder = path ? path : "";
  if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '\\';
  std::string head = folder + std::string(prefix ? prefix : "").substr(0, 3);
  static std::mt19937 generator{std::random_device{}()};
  UINT first = unique ? unique : (generator() & 0xFFFF);
  for (UINT attempt = 0; attempt < 0x10000; ++attempt) {
    UINT number = unique ? unique : ((first + attempt) & 0xFFFF);
    if (number == 0) continue;
    char tail[16];
    std::snprintf(tail, sizeof tail, "%04X.tmp", number);
    std::string candidate = head + tail;
    if (candidate.size() >= MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE);
    if (unique) {
      std::memcpy(name, candidate.c_str(), candidate.size() + 1);
      return unique;
    }
    int fd = open(MapPath(candidate.c_str()).c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC,
                  0600);
    if (fd >= 0) {
      close(fd);
      std::memcpy(name, candidate.c_str(), candidate.size() + 1);
      return number;
    }
    if (errno != EEXIST) return FailWithErrno();
  }
  return Fail(ERROR_FILE_EXISTS);
}

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  if (ShouldFail(Api::GetWindowsDirectoryA)) return 0;
  const char path[] = "/var/tmp";
  if (sizeof path > size) return sizeof path;
  std::memcpy(buffer, path, sizeof path);
  return sizeof path - 1;
}

namespace {

// Starts a child that leads a process group of its own and stops before it runs the program,
// until ResumeThread continues it; a process group can take it only while it has not.
pid_t StartSuspended(const std::string& program, std::vector<char*>& argv,
                     const std::string& folder, bool inFolder) {
  // The program's absence or a missing permission shows here, as CreateProcessA reports it.
  if (access(program.c_str(), X_OK) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    raise(SIGSTOP);
    if (!inFolder || chdir(folder.c_str()) == 0) execve(program.c_str(), argv.data(), environ);
    _exit(127);
  }
  int status;
  if (pid > 0) waitpid(pid, &status, WUNTRACED);
  return pid;
}

// Starts the program with the words as its arguments, in directory when given.
HANDLE Spawn(const std::string& name, std::vector<std::string> words, LPCSTR directory,
             bool suspended = false) {
  std::string program = MapPath(name.c_str());
  struct stat status;
  if (stat(program.c_str(), &status) != 0 && program.find('.', program.rfind('/') + 1) ==
                                                 std::string::npos)
    program += ".exe";
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  std::string folder = MapPath(directory);
  pid_t pid;
  if (suspended) {
    pid = StartSuspended(program, argv, folder, directory != nullptr);
    if (pid < 0) {
      FailWithErrno();
      return nullptr;
    }
  } else {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (directory) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
      errno = error;
      FailWithErrno();
      return nullptr;
    }
  }
  NoteChildStarted(pid);
  auto* process = new ProcessObject;
  process->pid = pid;
  return process;
}

}  // namespace

BOOL WINAPI CreateProcessA(LPCSTR application, LPSTR commandLine, SECURITY_ATTRIBUTES*,
                           SECURITY_ATTRIBUTES*, BOOL, DWORD flags, LPVOID, LPCSTR directory,
                           STARTUPINFOA*, PROCESS_INFORMATION* info) {
  if (ShouldFail(Api::CreateProcessA)) return FALSE;
  if constexpr (kSeams) {
    RecordProcess(commandLine ? commandLine : "");
    RecordCall(std::string("CreateProcessA ") + (commandLine ? commandLine : ""));
  }
  std::vector<std::string> words = SplitCommandLine(commandLine ? commandLine : "");
  const bool suspended = flags & CREATE_SUSPENDED;
  HANDLE process = Spawn(application ? application : words[0], words, directory, suspended);
  if (!process) return FALSE;
  info->hProcess = process;
  auto* thread = new ThreadObject;
  thread->pid = static_cast<ProcessObject*>(process)->pid;
  thread->suspended = suspended;
  info->hThread = thread;
  info->dwProcessId = DWORD(static_cast<ProcessObject*>(process)->pid);
  info->dwThreadId = info->dwProcessId;
  return TRUE;
}

// The program and its parameters as CreateProcessA would start them; there is no consent to
// ask for here.
BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA* info) {
  if (ShouldFail(Api::ShellExecuteExA)) return FALSE;
  std::string file = info->lpFile ? info->lpFile : "";
  std::string parameters = info->lpParameters ? info->lpParameters : "";
  if constexpr (kSeams) {
    RecordProcess("ShellExecuteExA " + file + " " + parameters);
    RecordCall("ShellExecuteExA " + file);
  }
  std::vector<std::string> words = SplitCommandLine(("x " + parameters).c_str());
  words[0] = file;
  info->hProcess = Spawn(file, words, info->lpDirectory);
  if (!info->hProcess) return FALSE;
  if (!(info->fMask & SEE_MASK_NOCLOSEPROCESS)) {
    CloseHandle(info->hProcess);
    info->hProcess = nullptr;
  }
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD) {
  if (ShouldFail(Api::WaitForSingleObject)) return WAIT_FAILED;
  auto* process = static_cast<ProcessObject*>(AsObject(handle, HandleKind::Process));
  if (!process) {
    Fail(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  while (!process->ended) {
    if (waitpid(process->pid, &process->status, 0) == process->pid) process->ended = true;
    else if (errno != EINTR) break;
  }
  NoteChildEnded(process->pid);
  return WAIT_OBJECT_0;
}

// A Linux program carries no resources of its own: only the tests' stand-in is found. Ids
// are numbers below 65536 passed in place of a pointer, as on Windows.
HRSRC WINAPI FindResourceA(HMODULE, LPCSTR name, LPCSTR type) {
  if constexpr (kSeams) {
    const StandInState& standIns = StandIns();
    const bool typeIsId = reinterpret_cast<uintptr_t>(type) < 0x10000;
    if (reinterpret_cast<uintptr_t>(name) == standIns.resourceId && !typeIsId &&
        !standIns.resourceType.empty() && standIns.resourceType == type)
      return &StandIns();
  }
  SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

DWORD WINAPI SizeofResource(HMODULE, HRSRC resource) {
  if constexpr (kSeams)
    if (resource) return DWORD(StandIns().resource.size());
  return 0;
}

HGLOBAL WINAPI LoadResource(HMODULE, HRSRC resource) {
  if constexpr (kSeams)
    if (resource) return StandIns().resource.data();
  return nullptr;
}

LPVOID WINAPI LockResource(HGLOBAL data) { return data; }

namespace posix_layer {

pid_t ProcessIdOf(HANDLE handle) {
  auto* process = static_cast<ProcessObject*>(AsObject(handle, HandleKind::Process));
  return process ? process->pid : -1;
}

}  // namespace posix_layer

DWORD WINAPI ResumeThread(HANDLE handle) {
  auto* thread = static_cast<ThreadObject*>(AsObject(handle, HandleKind::Thread));
  if (!thread) return DWORD(-1);
  if (!thread->suspended) return 0;
  thread->suspended = false;
  kill(thread->pid, SIGCONT);
  return 1;
}

BOOL WINAPI GetExitCodeProcess(HANDLE handle, LPDWORD code) {
  auto* process = static_cast<ProcessObject*>(AsObject(handle, HandleKind::Process));
  if (!process) return Fail(ERROR_INVALID_HANDLE);
  if (!process->ended) *code = 259;  // STILL_ACTIVE
  else if (WIFEXITED(process->status)) *code = DWORD(WEXITSTATUS(process->status));
  else *code = DWORD(128 + WTERMSIG(process->status));
  return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  if (ShouldFail(Api::CloseHandle)) return FALSE;
  if constexpr (kSeams) RecordCall("CloseHandle");
  if (AsObject(handle, HandleKind::File)) return CloseFileObject(handle);
  if (AsObject(handle, HandleKind::Search)) return CloseSearchObject(handle);
  if (HandleObject* object = AsObject(handle, HandleKind::Process)) {
    delete static_cast<ProcessObject*>(object);
    return TRUE;
  }
  if (AsObject(handle, HandleKind::Job)) return CloseJobObject(handle);
  if (HandleObject* object = AsObject(handle, HandleKind::Thread)) {
    delete static_cast<ThreadObject*>(object);
    return TRUE;
  }
  return Fail(ERROR_INVALID_HANDLE);
}

void WINAPI ExitProcess(UINT code) {
  if constexpr (kSeams) {
    RecordCall("ExitProcess " + std::to_string(code));
    if (StandIns().redirectExit) throw posix_testing::ExitCalled{code};
  }
  std::fflush(nullptr);
  _exit(int(code));
}
