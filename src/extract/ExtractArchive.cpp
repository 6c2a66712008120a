#include "extract/ExtractArchive.h"

#include "archive/Archive.h"
#include "extract/EntryWriter.h"
#include "extract/ExtractItems.h"
#include "format/SignatureScan.h"
#include "support/Fatal.h"
#include "support/FileFinder.h"
#include "support/InputFile.h"
#include "support/MemAlloc.h"

Archive* OpenInstallerArchive(const WideString& path) {
  InputFile* file = New<InputFile>();
  file->Open(path);
  Archive* archive = New<Archive>();
  OpenArchive(*archive, *file, kSignatureSearchLimit);
  return archive;
}

void ExtractArchive(Archive& archive, const WideString& installerPath,
                    const WideString& outputDirectory, const HandleKeeper& handles,
                    EntryWriter& writer) {
  WideString directory(outputDirectory);
  if (directory.Length() == 0 || directory.CharAt(directory.Length() - 1) != '\\')
    directory.AppendUnit('\\');
  WIN32_FIND_DATAA record;
  if (!FindPath(installerPath.ToAnsi(), &record)) FatalError(FailureReason::StubFileNotFound);
  writer.Init(&archive, directory, record.ftLastWriteTime, 0, handles);
  ExtractItems(archive, archive.Database.Files.Count(), writer);
}
