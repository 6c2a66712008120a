#include <gtest/gtest.h>

#include <vector>

#include "decode/StreamBinder.h"

namespace {

TEST(StreamBinder, ConsumerReadsTheProducersBlockInPieces) {
  StreamBinder binder;
  uint8_t buffer[4];
  EXPECT_EQ(binder.Read(buffer, 4), 0u);  // nothing written yet
  std::vector<uint8_t> block = {10, 11, 12, 13, 14, 15};
  WriteStream& producer = binder;
  ReadStream& consumer = binder;
  EXPECT_EQ(producer.Write(block.data(), 6), 6u);
  EXPECT_EQ(consumer.Read(buffer, 4), 4u);
  EXPECT_EQ(buffer[3], 13);
  EXPECT_EQ(consumer.Read(buffer, 4), 2u);
  EXPECT_EQ(buffer[1], 15);
  EXPECT_EQ(consumer.Read(buffer, 4), 0u);
}

TEST(StreamBinder, KeepsNoCopyAndOnlyTheLastBlock) {
  StreamBinder binder;
  std::vector<uint8_t> first = {1, 2, 3};
  std::vector<uint8_t> second = {7, 8};
  binder.Write(first.data(), 3);
  binder.Write(second.data(), 2);
  binder.Write(first.data(), 0);  // an empty write replaces nothing
  second[0] = 9;                  // the consumer sees the producer's storage itself
  uint8_t buffer[4];
  ASSERT_EQ(binder.Read(buffer, 4), 2u);
  EXPECT_EQ(buffer[0], 9);
  EXPECT_EQ(buffer[1], 8);
  binder.Write(first.data(), 3);
  binder.Reset();
  EXPECT_EQ(binder.Read(buffer, 4), 0u);
}

}  // namespace
