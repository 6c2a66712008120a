// What the stub holds of an installer's header while it parses it: the header's bytes, read
// whole, and the additional streams decoded from them (the compressed file list), which can be
// hundreds of times larger.
#pragma once
#include <cstdint>
#include <string>

#include "inspect/StubHarness.h"

struct HeaderSizes {
  uint64_t stored = 0;   // the header's bytes
  uint64_t decoded = 0;  // its additional streams, decoded
};

// The sizes of an installer whose archive the stub's reader has opened.
HeaderSizes MeasureHeader(StubHarness& harness, const std::string& installer,
                          const OpenedInstaller& opened);
