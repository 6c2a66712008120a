// The stream wiring of one folder in 32-bit form: how many streams each coder has, which
// out-stream feeds which in-stream, which in-streams come from packed streams and which
// out-streams leave the folder. Streams are numbered across coders in coder order.
#pragma once
#include <cstdint>

#include "support/ItemVector.h"

struct CoderStreamCounts {
  uint32_t inCount = 0;
  uint32_t outCount = 0;
};

struct StreamBond {
  uint32_t inIndex = 0;   // consumer in-stream
  uint32_t outIndex = 0;  // producer out-stream
};

struct StreamLocation {
  uint32_t coder = 0;
  uint32_t local = 0;  // stream index within that coder
};

struct BindInfo {
  ItemVector<CoderStreamCounts> Coders;
  ItemVector<StreamBond> BindPairs;
  ItemVector<uint32_t> InStreams;   // global in-streams fed by the packed streams, in order
  ItemVector<uint32_t> OutStreams;  // global out-streams no bind pair consumes, ascending

  // Finds the coder and local index of global stream n; a number beyond all coders' streams
  // ends the run.
  StreamLocation LocateInStream(uint32_t n) const;
  StreamLocation LocateOutStream(uint32_t n) const;
};
