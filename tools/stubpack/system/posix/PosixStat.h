// The status of a file from what stat says of it, shared by the POSIX side of the layer.
#pragma once
#include <sys/stat.h>

#include "system/FileStatus.h"

void StatusFromStat(const struct stat& st, FileStatus& status);
