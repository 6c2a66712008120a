#include "pe/VersionResource.h"

#include "base/PackError.h"
#include "base/Utf16Text.h"
#include "pe/PeLayout.h"
#include "platform/Utf8.h"

namespace {

const char* const kKeys[] = {"Comments",         "CompanyName",     "FileDescription",
                             "FileVersion",      "InternalName",    "LegalCopyright",
                             "LegalTrademarks",  "OriginalFilename", "PrivateBuild",
                             "ProductName",      "ProductVersion",  "SpecialBuild"};

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr size_t kFixedInfoSize = 52;

std::u16string Utf16(const std::string& utf8) {
  const std::optional<std::u16string> text = Utf16FromUtf8(utf8);
  if (!text) throw PackError("--version-info: \"" + utf8 + "\" is not UTF-8");
  return *text;
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size()) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    char bytes[4];
    out.append(bytes, EncodeUtf8(code, bytes));
  }
  return out;
}

// One node of the version tree: length, value length, type (1 text, 0 binary), key, padding,
// value, padding, children. Lengths are filled in when the node is closed.
class NodeWriter {
 public:
  size_t Open(const std::u16string& key, uint16_t valueLength, bool text) {
    Pad();
    const size_t at = out_.size();
    out_.resize(at + 6);
    PutLe16(&out_[at + 2], valueLength);
    PutLe16(&out_[at + 4], text ? 1 : 0);
    Text(key);
    Pad();
    return at;
  }
  void Text(const std::u16string& text) {
    for (char16_t c : text) Put16(c);
    Put16(0);
  }
  void Put16(uint32_t v) {
    out_.resize(out_.size() + 2);
    PutLe16(&out_[out_.size() - 2], v);
  }
  void Put32(uint32_t v) {
    Put16(v & 0xFFFF);
    Put16(v >> 16);
  }
  void Close(size_t at) {
    const size_t length = out_.size() - at;
    if (length > 0xFFFF) {
      throw PackError("--version-info: the version information would take " +
                      std::to_string(out_.size()) + " bytes, more than the 65535 it can have");
    }
    PutLe16(&out_[at], static_cast<uint32_t>(length));
  }
  void Pad() { out_.resize((out_.size() + 3) & ~size_t{3}); }
  std::vector<uint8_t>& Bytes() { return out_; }

 private:
  std::vector<uint8_t> out_;
};

std::string Find(const VersionStrings& strings, const std::string& key) {
  for (const auto& s : strings) {
    if (s.first == key) return s.second;
  }
  return "";
}

}  // namespace

bool IsVersionKey(const std::string& key) {
  for (const char* k : kKeys) {
    if (key == k) return true;
  }
  return false;
}

std::array<uint16_t, 4> ParseVersionNumber(const std::string& text) {
  std::array<uint16_t, 4> parts{};
  size_t part = 0, i = 0;
  while (true) {
    const size_t end = text.find('.', i);
    const std::string piece = text.substr(i, end == std::string::npos ? end : end - i);
    const bool digits = !piece.empty() && piece.size() <= 5 &&
                        piece.find_first_not_of("0123456789") == std::string::npos;
    const unsigned long value = digits ? std::stoul(piece) : 0;
    if (!digits || value > 0xFFFF || part == 4) {
      throw PackError("a version \"" + text + "\" must be one to four numbers of 0 to 65535 "
                      "separated by dots, as in 1.2.3.4");
    }
    parts[part++] = static_cast<uint16_t>(value);
    if (end == std::string::npos) return parts;
    i = end + 1;
  }
}

std::vector<uint8_t> BuildVersionResource(const VersionStrings& strings) {
  const std::string fileText = Find(strings, "FileVersion");
  const std::string productText = Find(strings, "ProductVersion");
  // Either number stands in for the other when only one is given.
  const std::array<uint16_t, 4> zero{};
  const std::array<uint16_t, 4> file =
      !fileText.empty() ? ParseVersionNumber(fileText)
                        : !productText.empty() ? ParseVersionNumber(productText) : zero;
  const std::array<uint16_t, 4> product =
      !productText.empty() ? ParseVersionNumber(productText) : file;

  NodeWriter w;
  const size_t root = w.Open(u"VS_VERSION_INFO", kFixedInfoSize, false);
  w.Put32(kFixedSignature);
  w.Put32(0x00010000);  // structure version 1.0
  w.Put32(file[0] << 16 | file[1]);
  w.Put32(file[2] << 16 | file[3]);
  w.Put32(product[0] << 16 | product[1]);
  w.Put32(product[2] << 16 | product[3]);
  w.Put32(0x3F);     // flags mask
  w.Put32(0);        // flags
  w.Put32(0x40004);  // VOS_NT_WINDOWS32
  w.Put32(1);        // VFT_APP
  w.Put32(0);        // subtype
  w.Put32(0);        // date
  w.Put32(0);
  const size_t stringInfo = w.Open(u"StringFileInfo", 0, true);
  const size_t stringTable = w.Open(u"040904B0", 0, true);
  for (const auto& s : strings) {
    const std::u16string value = Utf16(s.second);
    if (value.size() + 1 > 0xFFFF) throw PackError("--version-info: " + s.first + " too long");
    const size_t node = w.Open(Utf16(s.first), static_cast<uint16_t>(value.size() + 1), true);
    w.Text(value);
    w.Close(node);
  }
  w.Close(stringTable);
  w.Close(stringInfo);
  const size_t varInfo = w.Open(u"VarFileInfo", 0, true);
  const size_t translation = w.Open(u"Translation", 4, false);
  w.Put16(0x0409);  // US English
  w.Put16(1200);    // Unicode
  w.Close(translation);
  w.Close(varInfo);
  w.Close(root);
  return w.Bytes();
}

VersionStrings ReadVersionStrings(const std::vector<uint8_t>& resource) {
  VersionStrings strings;
  // Walks nodes by their lengths; the strings sit two levels below StringFileInfo.
  struct Node {
    size_t start, end, valueAt;
    uint16_t valueLength;
    std::u16string key;
  };
  auto readNode = [&resource](size_t at, size_t limit, Node& node) {
    if (at + 6 > limit) return false;
    const size_t length = GetLe16(&resource[at]);
    if (length < 6 || at + length > limit) return false;
    node.start = at;
    node.end = at + length;
    node.valueLength = GetLe16(&resource[at + 2]);
    node.key.clear();
    size_t p = at + 6;
    while (p + 2 <= node.end && GetLe16(&resource[p]) != 0) {
      node.key.push_back(GetLe16(&resource[p]));
      p += 2;
    }
    node.valueAt = (p + 2 + 3) & ~size_t{3};
    return true;
  };
  Node root;
  if (!readNode(0, resource.size(), root)) return strings;
  size_t child = (root.valueAt + root.valueLength + 3) & ~size_t{3};
  Node info;
  for (; readNode(child, root.end, info); child = (info.end + 3) & ~size_t{3}) {
    if (info.key != u"StringFileInfo") continue;
    Node table;
    for (size_t t = info.valueAt; readNode(t, info.end, table); t = (table.end + 3) & ~size_t{3}) {
      Node entry;
      for (size_t e = table.valueAt; readNode(e, table.end, entry);
           e = (entry.end + 3) & ~size_t{3}) {
        std::u16string value;
        for (size_t p = entry.valueAt; p + 2 <= entry.end && GetLe16(&resource[p]) != 0;
             p += 2) {
          value.push_back(GetLe16(&resource[p]));
        }
        strings.emplace_back(Utf8(entry.key), Utf8(value));
      }
    }
  }
  return strings;
}
