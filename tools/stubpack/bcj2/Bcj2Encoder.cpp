#include "bcj2/Bcj2Encoder.h"

#include <algorithm>

#include "bcj2/RangeEncoder.h"
#include "format/ByteOrder.h"

namespace {

void AppendBe32(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t bytes[4];
  PutBe32(bytes, value);
  out.insert(out.end(), bytes, bytes + 4);
}

}  // namespace

Bcj2Streams Bcj2Encoder::Encode(const uint8_t* data, size_t size, const Decision& convert) {
  Bcj2Streams streams;
  streams.main.reserve(size);
  RangeEncoder rc;
  uint16_t e8Models[256];
  for (uint16_t& p : e8Models) p = kRangeProbInit;
  uint16_t e9Model = kRangeProbInit;
  uint16_t jccModel = kRangeProbInit;

  // Mirrors the decoder step by step: pos is its output position after the opcode byte,
  // prev the last byte it wrote.
  uint8_t prev = 0;
  size_t pos = 0;
  while (pos < size) {
    const uint8_t b = data[pos++];
    streams.main.push_back(b);
    uint16_t* model;
    if (b == 0xE8) {
      model = &e8Models[prev];
    } else if (b == 0xE9) {
      model = &e9Model;
    } else if (prev == 0x0F && (b & 0xF0) == 0x80) {
      model = &jccModel;
    } else {
      prev = b;
      continue;
    }
    const uint32_t fieldPos = static_cast<uint32_t>(pos);
    const bool room = size - pos >= 4;
    const uint32_t relative = room ? GetLe32(data + pos) : 0;
    if (!room || !convert(fieldPos, relative)) {
      rc.EncodeBit(*model, 0);
      prev = b;
      continue;
    }
    rc.EncodeBit(*model, 1);
    // The decoder subtracts its position just past the operand.
    const uint32_t absolute = relative + fieldPos + 4;
    AppendBe32(b == 0xE8 ? streams.call : streams.jump, absolute);
    pos += 4;
    prev = data[pos - 1];
  }
  rc.Flush();
  streams.rc = std::move(rc.Bytes());
  return streams;
}

bool Bcj2ImagePolicy::operator()(uint32_t fieldPos, uint32_t relative) {
  while (current_ < regions_.size() &&
         regions_[current_].start + regions_[current_].size <= fieldPos) {
    ++current_;
  }
  if (current_ == regions_.size()) return false;
  const Bcj2Region& region = regions_[current_];
  if (fieldPos < region.start || fieldPos + 4 > region.start + region.size) return false;
  const uint64_t inFile = fieldPos - region.start;
  uint64_t address = inFile;
  if (!region.code.empty()) {
    const auto section = std::find_if(region.code.begin(), region.code.end(), [&](const auto& c) {
      return inFile >= c.offset && inFile + 4 <= c.offset + c.size;
    });
    if (section == region.code.end()) return false;
    address = inFile - section->offset + section->address;
  }
  // Wraps for backward branches before 0, which then count as outside.
  const uint32_t target = static_cast<uint32_t>(address + 4) + relative;
  return target < region.imageSize;
}
