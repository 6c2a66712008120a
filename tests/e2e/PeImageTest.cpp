#include "PeImage.h"

#include <gtest/gtest.h>

#include "TestFiles.h"

namespace {

std::vector<uint8_t> Header(uint16_t machine, uint32_t peOffset = 0x80) {
  std::vector<uint8_t> h(peOffset + 24 + 224, 0);
  h[0] = 'M';
  h[1] = 'Z';
  h[0x3C] = static_cast<uint8_t>(peOffset);
  h[0x3D] = static_cast<uint8_t>(peOffset >> 8);
  h[peOffset] = 'P';
  h[peOffset + 1] = 'E';
  h[peOffset + 4] = static_cast<uint8_t>(machine);
  h[peOffset + 5] = static_cast<uint8_t>(machine >> 8);
  h[peOffset + 20] = 224;  // optional header size
  h[peOffset + 24 + 56 + 1] = 0x30;  // SizeOfImage 0x3000
  return h;
}

TEST(PeImage, RecognisesX86ImagesOnly) {
  std::vector<uint8_t> x86 = Header(0x014C);
  PeImageInfo info = InspectPeHeader(x86.data(), x86.size());
  EXPECT_TRUE(info.isX86);
  EXPECT_EQ(info.sizeOfImage, 0x3000u);
  std::vector<uint8_t> amd64 = Header(0x8664);
  EXPECT_FALSE(InspectPeHeader(amd64.data(), amd64.size()).isX86);
  std::vector<uint8_t> noMz = x86;
  noMz[0] = 'X';
  EXPECT_FALSE(InspectPeHeader(noMz.data(), noMz.size()).isX86);
  std::vector<uint8_t> noPe = x86;
  noPe[0x81] = 'X';
  EXPECT_FALSE(InspectPeHeader(noPe.data(), noPe.size()).isX86);
  EXPECT_FALSE(InspectPeHeader(x86.data(), 0x90).isX86);  // cut before the PE header ends
}

TEST(PeImage, ReadsFarHeadersFromFiles) {
  TempDir dir;
  WriteFile(dir.Path() + "/far.exe", Header(0x014C, 0x2000));
  EXPECT_TRUE(InspectPeFile(dir.Path() + "/far.exe").isX86);
  WriteFile(dir.Path() + "/tiny.exe", std::string("MZ"));
  EXPECT_FALSE(InspectPeFile(dir.Path() + "/tiny.exe").isX86);
  for (const std::string& dll : SmallMingwDlls()) EXPECT_TRUE(InspectPeFile(dll).isX86) << dll;
}

}  // namespace
