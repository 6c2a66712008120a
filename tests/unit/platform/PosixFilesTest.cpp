// File calls of the POSIX layer whose Windows results depend on what stands at the path.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

#include "fixtures/CaseName.h"
#include "fixtures/TempDir.h"
#include "platform/testing/PosixTesting.h"
#include "platform/win32.h"

namespace {

enum class Existing { Nothing, File, ReadOnlyFile, Directory, LinkToDirectory, DanglingLink };

void Make(const TempDir& dir, const std::string& name, Existing what) {
  const std::string path = dir / name;
  switch (what) {
    case Existing::Nothing: break;
    case Existing::File: WriteFileBytes(path, "old"); break;
    case Existing::ReadOnlyFile:
      WriteFileBytes(path, "old");
      chmod(path.c_str(), 0444);
      break;
    case Existing::Directory: mkdir(path.c_str(), 0755); break;
    case Existing::LinkToDirectory:
      mkdir((dir / "target").c_str(), 0755);
      ASSERT_EQ(symlink((dir / "target").c_str(), path.c_str()), 0);
      break;
    case Existing::DanglingLink:
      ASSERT_EQ(symlink((dir / "missing").c_str(), path.c_str()), 0);
      break;
  }
}

struct OpenCase {
  const char* name;
  Existing existing;
  DWORD access;
  DWORD disposition;
  DWORD error;  // 0: the call succeeds
};
void PrintTo(const OpenCase& row, std::ostream* out) { *out << row.name; }

class CreateFileResult : public ::testing::TestWithParam<OpenCase> {};

TEST_P(CreateFileResult, DependsOnWhatStandsAtThePath) {
  posix_testing::Reset();
  TempDir dir;
  Make(dir, "x", GetParam().existing);
  SetLastError(0);
  HANDLE h = CreateFileA((dir / "x").c_str(), GetParam().access, FILE_SHARE_READ, nullptr,
                         GetParam().disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (GetParam().error == 0) {
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  } else {
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), GetParam().error);
  }
  posix_testing::Reset();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CreateFileResult,
    ::testing::Values(
        OpenCase{"NewOnNothing", Existing::Nothing, GENERIC_WRITE, CREATE_NEW, 0},
        OpenCase{"NewOnFile", Existing::File, GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS},
        OpenCase{"NewOnReadOnlyFile", Existing::ReadOnlyFile, GENERIC_WRITE, CREATE_NEW,
                 ERROR_FILE_EXISTS},
        OpenCase{"NewOnDirectory", Existing::Directory, GENERIC_WRITE, CREATE_NEW,
                 ERROR_ACCESS_DENIED},
        OpenCase{"NewOnLinkToDirectory", Existing::LinkToDirectory, GENERIC_WRITE, CREATE_NEW,
                 ERROR_ACCESS_DENIED},
        OpenCase{"NewOnDanglingLink", Existing::DanglingLink, GENERIC_WRITE, CREATE_NEW,
                 ERROR_FILE_EXISTS},
        OpenCase{"AlwaysOnDirectory", Existing::Directory, GENERIC_WRITE, CREATE_ALWAYS,
                 ERROR_ACCESS_DENIED},
        OpenCase{"WriteReadOnlyFile", Existing::ReadOnlyFile, GENERIC_WRITE, OPEN_EXISTING,
                 ERROR_ACCESS_DENIED},
        OpenCase{"ReadReadOnlyFile", Existing::ReadOnlyFile, GENERIC_READ, OPEN_EXISTING, 0},
        OpenCase{"ReadNothing", Existing::Nothing, GENERIC_READ, OPEN_EXISTING,
                 ERROR_FILE_NOT_FOUND}),
    CaseName());

struct AttributeCase {
  const char* name;
  mode_t mode;        // before
  DWORD attributes;   // given
  mode_t modeAfter;
  DWORD reported;     // by GetFileAttributesA and by a directory listing
};
void PrintTo(const AttributeCase& row, std::ostream* out) { *out << row.name; }

class FileAttributes : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(FileAttributes, AreKeptAndReportedAlike) {
  posix_testing::Reset();
  TempDir dir;
  const std::string path = dir / "f";
  WriteFileBytes(path, "x");
  ASSERT_EQ(chmod(path.c_str(), GetParam().mode), 0);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), GetParam().attributes));
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, GetParam().modeAfter);

  // Hidden, system and archive bits other than a new file's (archive) live in an extended
  // attribute, which some file systems lack: there only the other bits are compared.
  const DWORD dosBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  const bool keeps = lsetxattr(path.c_str(), "user.probe", "1", 1, 0) == 0;
  lremovexattr(path.c_str(), "user.probe");
  auto comparable = [&](DWORD attributes) {
    if (keeps) return attributes;
    attributes &= ~dosBits;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  };
  if (keeps) {
    const bool stored = lgetxattr(path.c_str(), "user.DOSATTRIB", nullptr, 0) >= 0;
    EXPECT_EQ(stored, (GetParam().reported & dosBits) != FILE_ATTRIBUTE_ARCHIVE);
  }
  const DWORD direct = comparable(GetFileAttributesA(path.c_str()));
  const DWORD expected = comparable(GetParam().reported);
  EXPECT_EQ(direct, expected);
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((dir.path() + "\\*").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  std::map<std::string, DWORD> listed;
  do listed[data.cFileName] = data.dwFileAttributes;
  while (FindNextFileA(search, &data));
  FindClose(search);
  EXPECT_EQ(comparable(listed["f"]), expected);
  posix_testing::Reset();
}

const DWORD kUnix = FILE_ATTRIBUTE_UNIX_EXTENSION;

INSTANTIATE_TEST_SUITE_P(
    Cases, FileAttributes,
    ::testing::Values(
        AttributeCase{"SameModeWithArchive", 0644, kUnix | FILE_ATTRIBUTE_ARCHIVE | (0644u << 16),
                      0644, FILE_ATTRIBUTE_ARCHIVE},
        AttributeCase{"SameModeNothingElse", 0644, kUnix | (0644u << 16), 0644,
                      FILE_ATTRIBUTE_NORMAL},
        AttributeCase{"NewMode", 0644, kUnix | (0755u << 16), 0755, FILE_ATTRIBUTE_NORMAL},
        AttributeCase{"ReadOnlySameMode", 0444, FILE_ATTRIBUTE_READONLY, 0444,
                      FILE_ATTRIBUTE_READONLY},
        AttributeCase{"ReadOnlyCleared", 0444, 0, 0644, FILE_ATTRIBUTE_NORMAL},
        AttributeCase{"Hidden", 0644, FILE_ATTRIBUTE_HIDDEN, 0644, FILE_ATTRIBUTE_HIDDEN}),
    CaseName());

// A handle that lost its descriptor to others reopens its file by name: another file put at
// that name must never be read through it, and the stub's own file keeps its descriptor.
TEST(PosixFileHandles, ReopenNeverReachesAReplacement) {
  posix_testing::Reset();
  TempDir dir;
  const std::string own = dir / "installer";
  const std::string other = dir / "other";
  auto openToRead = [](const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  };
  WriteFileBytes(own, "original");
  WriteFileBytes(other, "original");
  posix_testing::SetModuleFileName(own.c_str());
  HANDLE ownHandle = openToRead(own);
  HANDLE otherHandle = openToRead(other);
  std::vector<HANDLE> later;  // enough to take every descriptor from the first two
  for (int i = 0; i < 300; ++i)
    later.push_back(CreateFileA((dir / ("f" + std::to_string(i))).c_str(), GENERIC_WRITE, 0,
                                nullptr, CREATE_NEW, 0, nullptr));
  for (const std::string& path : {own, other}) {
    WriteFileBytes(path + ".new", "forged!!");
    ASSERT_EQ(rename((path + ".new").c_str(), path.c_str()), 0);
  }
  char buffer[16];
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(ownHandle, buffer, 8, &read, nullptr));
  EXPECT_EQ(std::string(buffer, read), "original");
  EXPECT_FALSE(ReadFile(otherHandle, buffer, 8, &read, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_FILE_INVALID);
  EXPECT_EQ(read, 0u);
  for (HANDLE h : later) CloseHandle(h);
  CloseHandle(ownHandle);
  CloseHandle(otherHandle);
  posix_testing::Reset();
}

TEST(PosixFind, ListingDescribesDirectoriesAndLinksAsTheirOwnCallsDo) {
  posix_testing::Reset();
  TempDir dir;
  Make(dir, "sub", Existing::Directory);
  Make(dir, "link", Existing::LinkToDirectory);
  Make(dir, "dangling", Existing::DanglingLink);
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((dir.path() + "\\*").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  std::map<std::string, DWORD> listed;
  do listed[data.cFileName] = data.dwFileAttributes;
  while (FindNextFileA(search, &data));
  FindClose(search);
  EXPECT_EQ(listed["sub"], DWORD(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(listed["link"], DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(listed["dangling"], DWORD(FILE_ATTRIBUTE_REPARSE_POINT));
  for (const char* name : {"sub", "link", "dangling"})
    EXPECT_EQ(listed[name], GetFileAttributesA((dir / name).c_str())) << name;
  posix_testing::Reset();
}

}  // namespace
