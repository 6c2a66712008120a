// The stream and coder interfaces that connect the archive file, the coders and the sinks.
// Results are counts, never error codes: a failure ends the run through FatalError.
#pragma once
#include <cstdint>

class ReadStream {
 public:
  // Delivers up to size bytes; fewer only at the end of the stream, 0 once it is exhausted.
  virtual uint32_t Read(void* data, uint32_t size) = 0;

 protected:
  ~ReadStream() = default;
};

class WriteStream {
 public:
  // Accepts bytes and returns how many; a caller that checks treats a shortfall as fatal.
  virtual uint32_t Write(const void* data, uint32_t size) = 0;

 protected:
  ~WriteStream() = default;
};

// A coder with one output, produced on demand: Start binds its inputs, then each Read decodes
// just enough to fill the caller's buffer, pulling input as it goes. Nothing holds the whole
// output, so a folder of any size passes through in pieces.
class Decoder : public ReadStream {
 public:
  virtual void SetProperties(ReadStream* properties) = 0;
  // The size arrays may be null, and so may entries; outSize is null when not given.
  virtual void Start(ReadStream** ins, const uint32_t* const* inSizes, uint32_t inCount,
                     const uint32_t* outSize) = 0;
  virtual ~Decoder() = default;
};
