#include "inspect/InstallerListing.h"

#include "base/CountedNoun.h"
#include "inspect/ListingName.h"
#include "pack/ArchiveModel.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "archive/ArchiveDatabase.h"
#include "decode/FolderDecoder.h"
#include "format/FinalOutStream.h"
#include "format/LzmaProperties.h"
#include "platform/UnixFileTime.h"
#include "platform/Utf8.h"
#include "platform/win32.h"
#include "system/UtcTime.h"

namespace {

struct KnownMethod {
  std::vector<uint8_t> id;
  const char* name;
};

// Names for the ids an installer is likely to carry; the stub decodes only LZMA and BCJ2.
const KnownMethod kMethods[] = {
    {{0x00}, "Copy"},          {{0x03}, "Delta"},          {{0x21}, "LZMA2"},
    {kMethodLzma, "LZMA"},        {{0x03, 0x03, 0x01, 0x03}, "BCJ"},
    {kMethodBcj2, "BCJ2"},        {{0x03, 0x04, 0x01}, "PPMD"},
    {{0x04, 0x01, 0x08}, "Deflate"},    {{0x04, 0x02, 0x02}, "BZip2"},
    {{0x06, 0xF1, 0x07, 0x01}, "AES"},
};

std::string MethodName(const MethodId& id) {
  std::vector<uint8_t> bytes(id.Bytes, id.Bytes + (id.Length < 16 ? id.Length : 16));
  for (const KnownMethod& known : kMethods)
    if (known.id == bytes) return known.name;
  std::string hex = "method ";
  char digits[3];
  for (uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    hex += digits;
  }
  return hex;
}

ListedCoder ListCoder(const CoderInfo& info) {
  ListedCoder coder;
  coder.method = MethodName(info.Method);
  coder.inStreams = uint32_t(info.NumInStreams);
  coder.outStreams = uint32_t(info.NumOutStreams);
  const bool simple = info.NumInStreams == 1 && info.NumOutStreams == 1;
  if (info.Method == MethodLzma) {
    coder.known = simple;
    const ItemVector<uint8_t>& bytes = info.Properties.Bytes;
    if (bytes.Count() >= kLzmaPropertiesSize) {
      const LzmaProperties p = ParseLzmaProperties(bytes.Data());
      coder.propertiesValid = p.pb <= kLzmaMaxPb;
      coder.lc = p.lc;
      coder.lp = p.lp;
      coder.pb = p.pb;
      coder.dictSize = p.dictionarySize;
    }
  } else if (info.Method == MethodBcj2) {
    coder.known = info.NumInStreams == 4 && info.NumOutStreams == 1;
  }
  return coder;
}

// Calls each(point, unit) for every code point of a UTF-16 name; an unpaired surrogate comes
// as point kNotUtf8 with its unit.
template <typename Each>
void ForEachPoint(const std::u16string& units, Each each) {
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    const bool high = u >= 0xD800 && u <= 0xDBFF;
    if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      each(0x10000 + ((uint32_t(u) - 0xD800) << 10) + (units[++i] - 0xDC00), u);
    } else {
      each(u >= 0xD800 && u <= 0xDFFF ? kNotUtf8 : uint32_t(u), u);
    }
  }
}

// The name as UTF-8, an unpaired surrogate as U+FFFD. Converted here rather than by the stub's
// own conversion, whose failure ends a run of the stub: this runs on the thread that answers.
std::string Utf8Name(const std::u16string& units) {
  std::string text;
  char utf8[4];
  ForEachPoint(units, [&](uint32_t point, char16_t) {
    text.append(utf8, EncodeUtf8(point == kNotUtf8 ? 0xFFFD : point, utf8));
  });
  return text;
}

void JsonByte(std::ostream& out, unsigned char c) {
  if (c == '"' || c == '\\') {
    out << '\\' << c;
  } else if (c < 0x20) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", c);
    out << escape;
  } else {
    out << c;
  }
}

// A name as a JSON string: an unpaired surrogate as its \uNNNN escape, which JSON can carry.
void JsonName(std::ostream& out, const std::u16string& units) {
  out << '"';
  char utf8[8];
  ForEachPoint(units, [&](uint32_t point, char16_t unit) {
    if (point == kNotUtf8) {
      std::snprintf(utf8, sizeof utf8, "\\u%04x", unsigned(unit));
      out << utf8;
      return;
    }
    const uint32_t length = EncodeUtf8(point, utf8);
    for (uint32_t k = 0; k < length; ++k) JsonByte(out, static_cast<unsigned char>(utf8[k]));
  });
  out << '"';
}

}  // namespace

void JsonString(std::ostream& out, const std::string& text) {
  out << '"';
  for (unsigned char c : text) JsonByte(out, c);
  out << '"';
}

std::string ListedFolder::Method() const {
  std::string text;
  for (const ListedCoder& coder : coders) {
    if (!text.empty()) text += ' ';
    text += coder.method;
    if (coder.method == "LZMA" && coder.propertiesValid) text += ":" + SizeText(coder.dictSize);
  }
  return text;
}

InstallerListing ListDatabase(const ArchiveDatabase& db) {
  InstallerListing listing;
  for (uint32_t f = 0; f < db.Folders.Count(); ++f) {
    const Folder& folder = db.Folders[f];
    ListedFolder listed;
    uint32_t out = 0;
    for (uint32_t c = 0; c < folder.Coders.Count(); ++c) {
      ListedCoder coder = ListCoder(folder.Coders[c]);
      for (uint32_t k = 0; k < coder.outStreams; ++k, ++out)
        if (out < folder.UnpackSizes.Count()) coder.outSizes.push_back(folder.UnpackSizes[out]);
      listed.coders.push_back(coder);
    }
    listed.packedSize = f < db.FolderFirstPackStream.Count() ? db.FolderPackedSize(f) : 0;
    const uint32_t final =
        FinalOutStream(folder.UnpackSizes.Count(), folder.BindPairs.Count(),
                       [&](uint32_t i) { return folder.BindPairs[i].OutIndex; });
    if (final < folder.UnpackSizes.Count()) listed.unpackedSize = folder.UnpackSizes[final];
    listing.folders.push_back(listed);
  }
  for (uint32_t i = 0; i < db.Files.Count(); ++i) {
    const FileItem& item = db.Files[i];
    ListedEntry entry;
    entry.units.assign(reinterpret_cast<const char16_t*>(item.Name.Units()), item.Name.Length());
    entry.name = Utf8Name(entry.units);
    entry.isDirectory = item.IsDirectory;
    entry.isAnti = item.IsAnti;
    entry.size = item.Size;
    if (item.AttributesDefined) entry.attributes = item.Attributes;
    if (item.LastWriteTimeDefined)
      entry.lastWriteTime = uint64_t(item.LastWriteTime.dwHighDateTime) << 32 |
                            item.LastWriteTime.dwLowDateTime;
    if (item.CrcDefined) entry.crc = item.Crc;
    entry.folder = i < db.FileToFolder.Count() ? db.FileToFolder[i] : -1;
    listing.entries.push_back(entry);
  }
  return listing;
}

std::string AttributeText(std::optional<uint32_t> attributes) {
  if (!attributes) return "-";
  const uint32_t a = *attributes;
  std::string text;
  text += a & FILE_ATTRIBUTE_DIRECTORY ? 'D' : '.';
  text += a & FILE_ATTRIBUTE_READONLY ? 'R' : '.';
  text += a & FILE_ATTRIBUTE_HIDDEN ? 'H' : '.';
  text += a & FILE_ATTRIBUTE_SYSTEM ? 'S' : '.';
  text += a & FILE_ATTRIBUTE_ARCHIVE ? 'A' : '.';
  if (a & FILE_ATTRIBUTE_UNIX_EXTENSION) {
    static const char kBits[] = "rwxrwxrwx";
    text += ' ';
    for (int i = 0; i < 9; ++i) text += (a >> 16) & (0400u >> i) ? kBits[i] : '-';
  }
  return text;
}

std::string TimeText(std::optional<uint64_t> fileTime) {
  if (!fileTime) return "-";
  const std::time_t t = std::time_t(UnixTimeFromFileTime(*fileTime).seconds);
  std::tm tm;
  if (!UtcCalendarTime(t, tm)) return "?";
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

std::string SizeText(uint64_t bytes) {
  if (bytes != 0 && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + "M";
  if (bytes != 0 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + "K";
  return std::to_string(bytes);
}

void PrintListing(const InstallerListing& listing, std::ostream& out) {
  char line[512];
  std::snprintf(line, sizeof line, "%-15s %12s  %-19s  %6s  %-28s  %s\n", "Attributes", "Size",
                "Modified (UTC)", "Folder", "Method", "Name");
  out << line;
  uint64_t total = 0;
  for (const ListedEntry& e : listing.entries) {
    const bool inFolder = e.folder >= 0 && size_t(e.folder) < listing.folders.size();
    std::string name = ListingName(e.units);
    if (e.isAnti) name += " (anti-item)";
    std::snprintf(line, sizeof line, "%-15s %12" PRIu64 "  %-19s  %6s  %-28s  ",
                  AttributeText(e.attributes).c_str(), e.size, TimeText(e.lastWriteTime).c_str(),
                  inFolder ? std::to_string(e.folder).c_str() : "-",
                  inFolder ? listing.folders[size_t(e.folder)].Method().c_str() : "-");
    out << line << name << (e.isDirectory ? "/" : "") << "\n";
    total += e.size;
  }
  uint64_t packed = 0;
  for (const ListedFolder& f : listing.folders) packed += f.packedSize;
  out << CountedNoun(listing.entries.size(), "entry", "entries") << ", "
      << CountedNoun(total, "byte", "bytes") << ", "
      << CountedNoun(listing.folders.size(), "folder", "folders") << ", "
      << CountedNoun(packed, "byte", "bytes") << " packed\n";
}

void PrintListingJson(const InstallerListing& listing, std::ostream& out) {
  out << "{\"entries\":[";
  for (size_t i = 0; i < listing.entries.size(); ++i) {
    const ListedEntry& e = listing.entries[i];
    out << (i ? "," : "") << "\n{\"name\":";
    JsonName(out, e.units);
    out << ",\"directory\":" << (e.isDirectory ? "true" : "false")
        << ",\"anti\":" << (e.isAnti ? "true" : "false") << ",\"size\":" << e.size
        << ",\"attributes\":";
    if (e.attributes) out << *e.attributes; else out << "null";
    out << ",\"lastWriteTime\":";
    if (e.lastWriteTime) out << *e.lastWriteTime; else out << "null";
    out << ",\"modified\":";
    if (e.lastWriteTime) JsonString(out, TimeText(e.lastWriteTime)); else out << "null";
    out << ",\"crc\":";
    if (e.crc) out << *e.crc; else out << "null";
    out << ",\"folder\":";
    if (e.folder >= 0) out << e.folder; else out << "null";
    out << "}";
  }
  out << "],\n\"folders\":[";
  for (size_t i = 0; i < listing.folders.size(); ++i) {
    const ListedFolder& f = listing.folders[i];
    out << (i ? "," : "") << "\n{\"method\":";
    JsonString(out, f.Method());
    out << ",\"coders\":[";
    for (size_t c = 0; c < f.coders.size(); ++c) {
      out << (c ? "," : "") << "{\"method\":";
      JsonString(out, f.coders[c].method);
      if (f.coders[c].propertiesValid) out << ",\"dictionary\":" << f.coders[c].dictSize;
      out << "}";
    }
    out << "],\"packedSize\":" << f.packedSize << ",\"unpackedSize\":" << f.unpackedSize << "}";
  }
  out << "]}\n";
}
