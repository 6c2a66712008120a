// Splits x86 code into the four streams that the unpacker's BCJ2 decoder merges back: the
// code with converted branch operands taken out, the absolute targets of converted CALLs
// (E8), those of converted JMPs (E9) and conditional near jumps (0F 80..8F), and the
// range-coded yes/no decisions for every candidate opcode.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct Bcj2Streams {
  std::vector<uint8_t> main;
  std::vector<uint8_t> call;  // big-endian absolute targets of converted E8
  std::vector<uint8_t> jump;  // big-endian absolute targets of converted E9 and 0F 8x
  std::vector<uint8_t> rc;    // range-coded decisions
};

class Bcj2Encoder {
 public:
  // Asked for every candidate whose 4-byte operand lies inside the data: fieldPos is the
  // operand's offset in the stream, relative its value as stored (little-endian). The
  // decoder restores the input exactly whatever the answers are.
  using Decision = std::function<bool(uint32_t fieldPos, uint32_t relative)>;

  static Bcj2Streams Encode(const uint8_t* data, size_t size, const Decision& convert);
};

// One file inside a stream that goes through the encoder.
struct Bcj2Region {
  // A part of the file that is loaded at a known address (a PE code section).
  struct Code {
    uint64_t offset;  // in the file
    uint64_t size;
    uint64_t address;  // where its first byte is loaded, relative to the image base
  };
  uint64_t start;      // offset of the file in the stream
  uint64_t size;       // file length
  uint64_t imageSize;  // extent that branch targets are expected to land in
  std::vector<Code> code;  // empty: the whole file counts as code, loaded as it lies
};

// Converts a branch when its target lands inside the image of the file that holds it. With
// code sections known, only operands inside them are converted and targets are computed at
// their load addresses; otherwise the file's own offsets stand in for addresses. Operands
// that straddle two files or sections are kept. Regions must be given in stream order;
// candidates must be asked for in increasing order.
class Bcj2ImagePolicy {
 public:
  explicit Bcj2ImagePolicy(std::vector<Bcj2Region> regions) : regions_(std::move(regions)) {}
  bool operator()(uint32_t fieldPos, uint32_t relative);

 private:
  std::vector<Bcj2Region> regions_;
  size_t current_ = 0;
};
