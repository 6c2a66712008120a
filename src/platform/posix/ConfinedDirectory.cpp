#include "platform/posix/ConfinedDirectory.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/PosixInternal.h"

namespace posix_layer {
namespace {

struct Confinement {
  int descriptor = -1;
  std::string path;  // as the layer's calls give it, without a trailing slash
};

Confinement& Confined() {
  static Confinement* confinement = new Confinement;  // outlives static destructors
  return *confinement;
}

}  // namespace

PathAt::PathAt(const std::string& path) : name(path) {
  const Confinement& confined = Confined();
  if (confined.descriptor < 0 || path.size() <= confined.path.size() + 1 ||
      path.compare(0, confined.path.size(), confined.path) != 0 ||
      path[confined.path.size()] != '/')
    return;
  inside = true;
  int at = confined.descriptor;
  size_t begin = confined.path.size() + 1;
  for (size_t end; (end = path.find('/', begin)) != std::string::npos; begin = end + 1) {
    const std::string part = path.substr(begin, end - begin);
    if (part.empty() || part == ".") continue;
    int next = -1;
    if (part == "..")
      errno = EACCES;  // it would climb out through the handle's parent
    else
      next = openat(at, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int error = errno;
    if (at != confined.descriptor) close(at);
    at = next;
    if (at < 0) {
      errno = error;
      FailWithErrno();
      resolved = false;
      return;
    }
  }
  directory = at;
  name = path.substr(begin);
  owned = at != confined.descriptor;
  if (name == "..") {
    Fail(ERROR_ACCESS_DENIED);
    resolved = false;
  }
}

PathAt::~PathAt() {
  if (owned) close(directory);
}

}  // namespace posix_layer

using namespace posix_layer;

ConfinedDirectory::ConfinedDirectory(const char* path) {
  Confinement& confined = Confined();
  confined.path = MapPath(path);
  while (confined.path.size() > 1 && confined.path.back() == '/') confined.path.pop_back();
  confined.descriptor = open(confined.path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

ConfinedDirectory::~ConfinedDirectory() {
  Confinement& confined = Confined();
  if (confined.descriptor >= 0) close(confined.descriptor);
  confined.descriptor = -1;
  confined.path.clear();
}
