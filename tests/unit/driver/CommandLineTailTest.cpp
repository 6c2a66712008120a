#include <gtest/gtest.h>

#include <string>

#include "driver/InstallerMain.h"

namespace {

TEST(CommandLineTail, FollowsTheScanningRule) {
  struct Case {
    const char* commandLine;
    const char* tail;
  };
  const Case cases[] = {
      {"\"C:\\dir\\stub.exe\"", ""},
      {"\"C:\\dir name\\stub.exe\" /S", " /S"},        // the blank stays: two in the result
      {"C:\\dir\\stub.exe /S", " /S"},                 // same without the quotes
      {"C:\\dir\\stub.exe\t/S", "/S"},                 // a tab is skipped
      {"C:\\dir\\stub.exe\t\x01 /S", " /S"},           // control bytes go, the blank stops it
      {"\"C:\\dir\\stub.exe /S", ""},                  // an unclosed quote: empty tail
      {" C:\\stub.exe /S", " C:\\stub.exe /S"},        // a leading blank: no program name
      {"C:\\\xe9t\xe9\xff.exe /S", " /S"},             // bytes above 0x7F belong to the name
      {"stub.exe", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(std::string(CommandLineTail(c.commandLine)), c.tail)
      << c.commandLine;
}

}  // namespace
