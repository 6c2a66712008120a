// A file written whole or not at all: created as new, never through a link, then moved over
// its target in one step.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// Creates path as a new file for writing; a leftover regular file there (from a killed run) is
// replaced first. Null with error set on failure.
std::FILE* CreateNewFile(const std::string& path, std::string& error);
// Seeks the open file to offset (from the end when fromEnd).
bool SeekFile(std::FILE* file, uint64_t offset, bool fromEnd);
// Gives the written file the permissions of a program (0755) or of data (0644) where the
// system has such bits.
bool SetProgramPermissions(std::FILE* file, bool program);
// Moves from over to, replacing what is there; false with error set on failure.
bool ReplaceFileWith(const std::string& from, const std::string& to, std::string& error);
// Removes the file at path; false when it could not.
bool RemoveFile(const std::string& path);
