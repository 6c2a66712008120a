// The temporary directory of one run: made by this run, for this user only.
#pragma once

// Creates a new directory under the temporary path (the Windows directory when there is none)
// and leaves its name in TempDirName. A name that exists already, even as a directory or a
// link, is never used: another name is drawn, a bounded number of times, then the run ends.
void MakeTemporaryDirectory();
