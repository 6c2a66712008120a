// The installer run's part of the failure path: the message boxes, then no output file open,
// the first current directory back and the temporary tree removed. Installed at start-up.
#pragma once

// Makes every later FatalError and ReportFatal clean up the run before the process ends.
void InstallFailedRunCleanUp();
