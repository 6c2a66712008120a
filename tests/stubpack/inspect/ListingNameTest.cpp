// Entry names in stubpack's text listing: whatever an archive stores, the terminal gets plain
// text on one row.
#include <gtest/gtest.h>

#include <sstream>

#include "inspect/InstallerListing.h"
#include "inspect/ListingName.h"

namespace {

TEST(ListingName, EscapesWhatATerminalWouldObey) {
  struct Row {
    std::u16string name;
    std::string printed;
  } rows[] = {
      {u"docs/read me.txt", "docs/read me.txt"},
      {u"caf\u00e9 \u65e5\u672c \U0001F600", "caf\u00e9 \u65e5\u672c \U0001F600"},
      {u"\x1b[2J\x1b]0;owned\x07.txt", "\\x1b[2J\\x1b]0;owned\\x07.txt"},
      {u"a\nb\rc\td\x7f", "a\\x0ab\\x0dc\\x09d\\x7f"},
      {u"x\u009by", "x\\x9by"},  // C1 control sequence introducer
      {u"evil\u202Etxt.exe", "evil\\u202etxt.exe"},
      {u"\u2066\u2067\u2068\u2069\u200e\u200f\u061c",
       "\\u2066\\u2067\\u2068\\u2069\\u200e\\u200f\\u061c"},
      {u"line\u2028para\u2029", "line\\u2028para\\u2029"},
      {std::u16string(u"lone\xD800") + u"x", "lone\\ud800x"},
      {std::u16string(1, char16_t(0xDC00)) + u"low", "\\udc00low"},
      {std::u16string(u"\xDBFF\xDFFF"), "\U0010FFFF"},
  };
  for (const Row& row : rows) EXPECT_EQ(ListingName(row.name), row.printed);
}

TEST(ListingName, ListingPrintsEachEntryOnItsOwnRow) {
  InstallerListing listing;
  ListedEntry entry;
  entry.units = u"a\nforged row\x1b[2J";
  listing.entries.push_back(entry);
  std::ostringstream out;
  PrintListing(listing, out);
  const std::string text = out.str();
  EXPECT_NE(text.find("a\\x0aforged row\\x1b[2J\n"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);  // heading, entry, totals
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
}

}  // namespace
