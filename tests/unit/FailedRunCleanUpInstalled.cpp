// The unit tests run the stub's code as the stub does: with the installer run's clean-up on the
// failure path, installed before any test starts.
#include "driver/FailedRunCleanUp.h"

static const bool installed = (InstallFailedRunCleanUp(), true);
