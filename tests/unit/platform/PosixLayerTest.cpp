#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fixtures/TempDir.h"
#include "platform/testing/PosixTesting.h"
#include "platform/win32.h"

namespace posix_layer {
std::vector<std::string> SplitCommandLine(const char* line);
}

namespace {

class PosixLayer : public ::testing::Test {
 protected:
  void SetUp() override { posix_testing::Reset(); }
  void TearDown() override { posix_testing::Reset(); }
  std::string Win(const std::string& name) {  // a path the way the stub builds them
    std::string path = dir / name;
    for (char& c : path) if (c == '/') c = '\\';
    return path;
  }
  TempDir dir;
};

TEST_F(PosixLayer, CreateNewRefusesAnExistingFileAndWritesThroughBackslashPaths) {
  std::string path = Win("a.txt");
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(h, "hello", 5, &written, nullptr));
  EXPECT_EQ(written, 5u);
  EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  CloseHandle(h);
  EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "hello");
}

TEST_F(PosixLayer, ReadOnlyAndOpenFilesCannotBeDeleted) {
  WriteFileBytes(dir / "ro", "x");
  ASSERT_TRUE(SetFileAttributesA(Win("ro").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA(Win("ro").c_str()) & FILE_ATTRIBUTE_READONLY,
            FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(DeleteFileA(Win("ro").c_str()));
  ASSERT_TRUE(SetFileAttributesA(Win("ro").c_str(), 0));
  EXPECT_TRUE(DeleteFileA(Win("ro").c_str()));

  HANDLE h = CreateFileA(Win("open").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         CREATE_NEW, 0, nullptr);
  EXPECT_FALSE(DeleteFileA(Win("open").c_str()));  // open without delete sharing
  CloseHandle(h);
  EXPECT_TRUE(DeleteFileA(Win("open").c_str()));
  ASSERT_EQ(mkdir((dir / "d").c_str(), 0755), 0);
  EXPECT_FALSE(DeleteFileA(Win("d").c_str()));
}

// Time and attributes set through a handle land on its file. A new file reads as archive, as
// on Windows; a change made by name while the handle is open is not overlooked by it.
TEST_F(PosixLayer, BasicInformationThroughAHandle) {
  const std::string path = Win("f");
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0,
                         nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileAttributesA(path.c_str()), FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_SYSTEM));
  FILE_BASIC_INFO basic = {};
  basic.LastWriteTime.QuadPart = (1111111111ll + 11644473600ll) * 10000000;
  basic.FileAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
  ASSERT_TRUE(SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic));
  EXPECT_EQ(GetFileAttributesA(path.c_str()), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  struct stat info;
  ASSERT_EQ(stat((dir / "f").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtim.tv_sec, 1111111111);
  EXPECT_EQ(info.st_mode & 0222, 0u);

  basic = {};  // 0 leaves times and attributes as they are
  ASSERT_TRUE(SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic));
  EXPECT_EQ(GetFileAttributesA(path.c_str()), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  ASSERT_EQ(stat((dir / "f").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtim.tv_sec, 1111111111);
  EXPECT_FALSE(SetFileInformationByHandle(h, FileBasicInfo, &basic, sizeof basic - 1));
  CloseHandle(h);
}

TEST_F(PosixLayer, UnixExtensionCarriesTheModeBits) {
  WriteFileBytes(dir / "run", "#!/bin/sh\n");
  DWORD attributes = FILE_ATTRIBUTE_UNIX_EXTENSION | FILE_ATTRIBUTE_ARCHIVE | (0750u << 16);
  ASSERT_TRUE(SetFileAttributesA(Win("run").c_str(), attributes));
  struct stat info;
  ASSERT_EQ(stat((dir / "run").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0750u);
  ASSERT_TRUE(SetFileAttributesA(Win("run").c_str(), attributes | FILE_ATTRIBUTE_READONLY));
  ASSERT_EQ(stat((dir / "run").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0550u);
  // Set-user-id and set-group-id bits from an archive are dropped.
  ASSERT_TRUE(SetFileAttributesA(Win("run").c_str(), FILE_ATTRIBUTE_UNIX_EXTENSION | (06755u << 16)));
  ASSERT_EQ(stat((dir / "run").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0755u);
}

TEST_F(PosixLayer, FindListsADirectoryAndDescribesAPlainPath) {
  WriteFileBytes(dir / "f1", "abc");
  ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(Win("*").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  std::vector<std::string> names;
  do names.push_back(data.cFileName);
  while (FindNextFileA(search, &data));
  FindClose(search);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "f1", "sub"}));

  search = FindFirstFileA(Win("f1").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "f1");
  EXPECT_EQ(data.nFileSizeLow, 3u);
  EXPECT_FALSE(FindNextFileA(search, &data));
  FindClose(search);
  EXPECT_EQ(FindFirstFileA(Win("missing").c_str(), &data), INVALID_HANDLE_VALUE);
}

// A handle the layer never issued, or one already closed, is answered as Windows answers it:
// FALSE and ERROR_INVALID_HANDLE, never a dereference.
TEST_F(PosixLayer, ForeignAndClosedHandlesAreInvalid) {
  HANDLE closed = CreateFileA(Win("c.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0,
                              nullptr);
  ASSERT_NE(closed, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(CloseHandle(closed));
  int notAHandle = 0;
  for (HANDLE h : {closed, HANDLE(&notAHandle), reinterpret_cast<HANDLE>(intptr_t(1000)),
                   HANDLE(nullptr), INVALID_HANDLE_VALUE}) {
    char byte = 0;
    DWORD count = 0;
    WIN32_FIND_DATAA found;
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ReadFile(h, &byte, 1, &count, nullptr));
    EXPECT_FALSE(WriteFile(h, &byte, 1, &count, nullptr));
    EXPECT_FALSE(FindNextFileA(h, &found));
    EXPECT_FALSE(FindClose(h));
    EXPECT_FALSE(GetExitCodeProcess(h, &count));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }
}

TEST_F(PosixLayer, HundredThousandKeptHandlesStayUsable) {
  const int kFiles = 100000;
  uint32_t openBefore = posix_testing::OpenFileHandles();
  std::vector<HANDLE> handles;
  handles.reserve(kFiles);
  for (int i = 0; i < kFiles; ++i) {
    std::string path = Win("f" + std::to_string(i));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << i;
    handles.push_back(h);
  }
  EXPECT_LE(posix_testing::OpenDescriptors(), 256u);
  // The first handles lost their descriptors long ago; writing through them still works.
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(handles[0], "first", 5, &written, nullptr));
  FILETIME time = {0x256D4000u, 0x01BF53EBu};  // 2000-01-01
  ASSERT_TRUE(SetFileTime(handles[0], nullptr, nullptr, &time));
  for (HANDLE h : handles) CloseHandle(h);
  EXPECT_EQ(posix_testing::OpenFileHandles(), openBefore);
  EXPECT_EQ(ReadFileBytes(dir / "f0"), "first");
  struct stat info;
  ASSERT_EQ(stat((dir / "f0").c_str(), &info), 0);
  EXPECT_EQ(info.st_mtime, 946684800);
}

TEST_F(PosixLayer, CommandLinesSplitByTheWindowsRules) {
  using posix_layer::SplitCommandLine;
  EXPECT_EQ(SplitCommandLine("C:\\t\\setup.exe  a \"b c\" d\\\\\"e f\" g\\h"),
            (std::vector<std::string>{"C:\\t\\setup.exe", "a", "b c", "d\\e f", "g\\h"}));
  EXPECT_EQ(SplitCommandLine("\"prog name\" \\\"q\\\" \"\""),
            (std::vector<std::string>{"prog name", "\"q\"", ""}));
}

TEST_F(PosixLayer, ProcessesRunInTheirDirectoryAndMissingProgramsFail) {
  std::string script = dir / "setup.exe";
  WriteFileBytes(script, "#!/bin/sh\npwd > out.txt\necho \"$@\" >> out.txt\n");
  chmod(script.c_str(), 0755);
  std::string line = Win("setup.exe") + "  one \"two three\"";
  STARTUPINFOA startup = {};
  PROCESS_INFORMATION process;
  ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                             dir.path().c_str(), &startup, &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, INFINITE), WAIT_OBJECT_0);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(ReadFileBytes(dir / "out.txt"), dir.path() + "\none two three\n");
  std::string missing = Win("nothing.exe");
  EXPECT_FALSE(CreateProcessA(nullptr, &missing[0], nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process));
}

TEST_F(PosixLayer, InjectedFaultHitsExactlyTheNthCall) {
  posix_testing::FailCall(posix_testing::Api::CreateDirectoryA, 2);
  EXPECT_TRUE(CreateDirectoryA(Win("a").c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryA(Win("b").c_str(), nullptr));
  EXPECT_TRUE(CreateDirectoryA(Win("c").c_str(), nullptr));
  EXPECT_EQ(posix_testing::CallCount(posix_testing::Api::CreateDirectoryA), 3u);
}

TEST_F(PosixLayer, TemporaryNamesAreUniqueFilesInTheGivenDirectory) {
  std::string folder = dir.path() + "/";
  char first[MAX_PATH], second[MAX_PATH];
  ASSERT_NE(GetTempFileNameA(folder.c_str(), "cab", 0, first), 0u);
  ASSERT_NE(GetTempFileNameA(folder.c_str(), "cab", 0, second), 0u);
  EXPECT_STRNE(first, second);
  EXPECT_EQ(std::string(first).rfind(folder + "cab", 0), 0u);
  EXPECT_EQ(access(first, F_OK), 0);
}

}  // namespace
