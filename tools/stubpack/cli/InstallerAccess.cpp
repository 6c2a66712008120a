// The check that list, check and extract share before the stub's code sees the installer, so
// that a missing or unreadable file is reported the same way by each.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/InspectCommands.h"

std::string InstallerAccessProblem(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "cannot read " + path + ": " + std::strerror(errno);
  struct stat info;
  const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  close(fd);
  if (!regular) return "cannot read " + path + ": not a regular file";
  return "";
}
