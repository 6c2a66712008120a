// The texts of the failure reasons, for tests and stubpack. The Windows build leaves this file
// out (cmake/WindowsStub.cmake): the stub.exe keeps only the reasons' numbers.
#include "support/FailureReason.h"

#include <stddef.h>

const char* FailureReasonText(FailureReason reason) {
  static const char* const kTexts[] = {
#define STUBKIT_REASON_TEXT(name, text) text,
      STUBKIT_FAILURE_REASONS(STUBKIT_REASON_TEXT)
#undef STUBKIT_REASON_TEXT
  };
  const size_t index = size_t(reason);
  return index < sizeof kTexts / sizeof kTexts[0] ? kTexts[index] : "unknown";
}
