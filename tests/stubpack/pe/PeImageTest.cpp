#include "pe/PeImage.h"

#include <gtest/gtest.h>

#include "stubpack/TestFiles.h"

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
  // Two sections: .text (code, raw 0x400 + 0x200, loaded at 0x1000) and .data.
  h[peOffset + 6] = 2;
  h.resize(peOffset + 24 + 224 + 80, 0);
  uint8_t* text = h.data() + peOffset + 24 + 224;
  text[13] = 0x10;  // VirtualAddress 0x1000
  text[17] = 0x02;  // SizeOfRawData 0x200
  text[21] = 0x04;  // PointerToRawData 0x400
  text[36] = 0x20;  // contains code
  uint8_t* data = text + 40;
  data[13] = 0x20;
  data[36] = 0x40;  // initialised data
  return h;
}

TEST(PeImage, RecognisesX86ImagesOnly) {
  std::vector<uint8_t> x86 = Header(0x014C);
  PeImageInfo info = InspectPeHeader(x86.data(), x86.size());
  EXPECT_TRUE(info.isX86);
  EXPECT_EQ(info.sizeOfImage, 0x3000u);
  ASSERT_EQ(info.codeSections.size(), 1u);
  EXPECT_EQ(info.codeSections[0].fileOffset, 0x400u);
  EXPECT_EQ(info.codeSections[0].fileSize, 0x200u);
  EXPECT_EQ(info.codeSections[0].virtualAddress, 0x1000u);
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
  EXPECT_EQ(InspectPeFile(dir.Path() + "/far.exe").codeSections.size(), 1u);
  for (const std::string& dll : SmallMingwDlls()) {
    const PeImageInfo info = InspectPeFile(dll);
    EXPECT_TRUE(info.isX86) << dll;
    EXPECT_FALSE(info.codeSections.empty()) << dll;
  }
}

}  // namespace
