// What an installer's archive holds, as the stub's reader parsed it: entries with their
// attributes, sizes, times and folders, and folders with their coders. `stubpack list` prints
// it; `stubpack check` judges it.
#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct ArchiveDatabase;

struct ListedCoder {
  std::string method;  // "LZMA", "BCJ2", "Copy", ... or the id in hex
  bool known = false;  // a coder the stub decodes (LZMA with one stream each way, BCJ2 4 to 1)
  uint32_t inStreams = 1;
  uint32_t outStreams = 1;
  // LZMA only: properties as stored, valid when propertiesValid.
  bool propertiesValid = false;
  uint32_t lc = 0, lp = 0, pb = 0, dictSize = 0;
  std::vector<uint64_t> outSizes;  // this coder's output sizes
};

struct ListedFolder {
  std::vector<ListedCoder> coders;
  uint64_t packedSize = 0;
  uint64_t unpackedSize = 0;  // the folder's final output
  std::string Method() const;  // the coders in order, e.g. "BCJ2 LZMA:16M LZMA:1M LZMA:1M"
};

struct ListedEntry {
  std::string name;  // UTF-8 ("/" or "\" separated), an unpaired surrogate as U+FFFD
  std::u16string units;  // the same as stored, for what UTF-8 cannot carry (unpaired halves)
  bool isDirectory = false;
  bool isAnti = false;
  uint64_t size = 0;
  std::optional<uint32_t> attributes;
  std::optional<uint64_t> lastWriteTime;  // FILETIME
  std::optional<uint32_t> crc;
  int32_t folder = -1;
};

struct InstallerListing {
  std::vector<ListedEntry> entries;
  std::vector<ListedFolder> folders;
};

InstallerListing ListDatabase(const ArchiveDatabase& database);

// "DRHSA" letters with "." for a clear bit, then the Unix mode when the extension bit is set.
std::string AttributeText(std::optional<uint32_t> attributes);
// "YYYY-MM-DD HH:MM:SS" (UTC) or "-".
std::string TimeText(std::optional<uint64_t> fileTime);
// 4096 -> "4K", 3 MiB -> "3M", 1000 -> "1000".
std::string SizeText(uint64_t bytes);

// Writes text as a JSON string, quoted and escaped.
void JsonString(std::ostream& out, const std::string& text);

void PrintListing(const InstallerListing& listing, std::ostream& out);
void PrintListingJson(const InstallerListing& listing, std::ostream& out);
