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

// A coder with one input and one output.
class Decoder {
 public:
  virtual void SetProperties(ReadStream* properties) = 0;
  // Runs the coder to completion. Either size may be null when not given.
  virtual void Decode(ReadStream* in, WriteStream* out, const uint32_t* inSize,
                      const uint32_t* outSize) = 0;
  virtual ~Decoder() = default;
};

// A coder with arrays of inputs and outputs. The size arrays may be null, and so may entries.
class MultiDecoder {
 public:
  virtual void SetProperties(ReadStream* properties) = 0;
  virtual void Decode(ReadStream** ins, const uint32_t* const* inSizes, uint32_t inCount,
                      WriteStream** outs, const uint32_t* const* outSizes, uint32_t outCount) = 0;
  virtual ~MultiDecoder() = default;
};
