// OpenArchive and ExtractItems on arbitrary bytes behind a stub image, into a scratch output
// directory. Whatever the bytes, nothing may appear outside that directory.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "FuzzSupport.h"
#include "archive/Archive.h"
#include "decode/FolderDecoder.h"
#include "driver/ProgressWindow.h"
#include "driver/RunState.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractItems.h"
#include "format/SignatureScan.h"
#include "support/AnsiString.h"
#include "support/InputFile.h"
#include "support/MemAlloc.h"

namespace {

namespace fs = std::filesystem;

// Every name in dir must be one of the expected ones.
void CheckOnly(const std::string& dir, const std::set<std::string>& expected) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (!expected.count(name)) {
      std::fprintf(stderr, "written outside the output directory: %s/%s\n", dir.c_str(),
                   name.c_str());
      std::abort();
    }
  }
}

void RemoveAll(const std::string& dir) {
  std::error_code ec;
  // Entries may carry read-only attributes; the harness makes them removable.
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(dir, ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Initialise();
  const std::string& scratch = fuzz::ScratchDir();
  // The output directory sits two levels down, so that "..\" and "..\..\" both land in
  // directories this harness watches.
  std::string parent = scratch + "/a";
  std::string output = parent + "/out";
  fs::create_directories(output);
  AnsiCopy(TempDirName, output.c_str());
  progressMaximum = 0;
  std::string path = fuzz::WriteStubFile(data, size);

  fuzz::BeginRun();
  InputFile* file = New<InputFile>();
  Archive* archive = New<Archive>();
  bool failed;
  {
    EntryWriter writer;
    failed = fuzz::EndsInFailure([&] {
      file->Open(WideString::FromAnsi(path.c_str()));
      OpenArchive(*archive, *file, kSignatureSearchLimit);
      WideString directory = WideString::FromAnsi(output.c_str());
      directory.AppendUnit('\\');
      writer.Init(archive, directory, FILETIME{}, 0, kOutputHandleList);
      ExtractItems(*archive, archive->Database.Files.Count(), writer);
    });
    // The failure path closed the kept handles itself.
    if (!failed) CloseOutputHandles();
  }
  if (file->Handle != INVALID_HANDLE_VALUE) CloseHandle(file->Handle);
  Delete(archive);
  Delete(file);
  fuzz::EndRun(failed);

  CheckOnly(scratch, {"stub.bin", "a"});
  CheckOnly(parent, {"out"});
  RemoveAll(output);
  TempDirName[0] = 0;
  return 0;
}
