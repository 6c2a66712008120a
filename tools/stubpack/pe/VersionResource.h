// The version information of a Windows program (VERSIONINFO): the strings a publisher gives,
// as shown in the file's properties, and the numeric file and product versions taken from the
// FileVersion and ProductVersion strings.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using VersionStrings = std::vector<std::pair<std::string, std::string>>;  // key, UTF-8 value

// The keys a version resource may carry (ProductName, FileVersion, ...).
bool IsVersionKey(const std::string& key);
// "1.2.3.4" (one to four numbers of 0..65535; missing ones are 0); throws PackError otherwise.
std::array<uint16_t, 4> ParseVersionNumber(const std::string& text);
// The resource's bytes, for US English in Unicode (040904B0); throws PackError when it would
// exceed the 65,535 bytes the format can describe.
std::vector<uint8_t> BuildVersionResource(const VersionStrings& strings);
// The strings of a version resource, in their order; empty for an unreadable one.
VersionStrings ReadVersionStrings(const std::vector<uint8_t>& resource);
