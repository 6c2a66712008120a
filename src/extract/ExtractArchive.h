// The installer's archive, from its file to the output directory: the stub's unpacking, which
// stubpack also runs to show what the stub would do.
#pragma once
#include "support/WideString.h"

struct Archive;
class EntryWriter;
struct HandleKeeper;

// Opens the installer file at path and the archive appended to it; both stay open until the
// process ends.
Archive* OpenInstallerArchive(const WideString& path);

// Extracts every entry of the archive into outputDirectory through writer, which the caller
// may read after a failure. Each created file's handle goes to handles. Entries without a
// last-write time get the installer file's own.
void ExtractArchive(Archive& archive, const WideString& installerPath,
                    const WideString& outputDirectory, const HandleKeeper& handles,
                    EntryWriter& writer);
