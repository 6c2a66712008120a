// Linux only, beside the Win32 subset: a directory that someone else may write in (a shared
// directory `stubpack extract` was given) and that the layer's file calls must not leave. While
// a ConfinedDirectory lives, every path below it that the layer creates, opens, changes or
// deletes is reached from a handle of the directory opened at the start, one component at a
// time, without following a symbolic link: a component swapped for a link meanwhile makes the
// call fail instead of acting on what the link points to. Paths elsewhere are unaffected.
#pragma once

class ConfinedDirectory {
 public:
  // One at a time. path is taken as it is now (links in it followed); a directory that cannot
  // be opened confines nothing (the calls below it could not reach it either).
  explicit ConfinedDirectory(const char* path);
  ~ConfinedDirectory();
  ConfinedDirectory(const ConfinedDirectory&) = delete;
  ConfinedDirectory& operator=(const ConfinedDirectory&) = delete;
};
