#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/CountedNoun.h"
#include "cli/InspectCommands.h"
#include "extract/ItemPath.h"
#include "format/LzmaProperties.h"
#include "format/NameRules.h"
#include "inspect/HeaderSizes.h"
#include "inspect/InstallerListing.h"
#include "inspect/ListingName.h"
#include "inspect/StubHarness.h"
#include "inspect/StubRefusal.h"
#include "installer/InstallerLayout.h"
#include "pack/FolderPlan.h"
#include "pe/InstallerIdentity.h"
#include "source/EntryName.h"
#include "source/InstallWarnings.h"
#include "source/WindowsNames.h"
#include "support/WideString.h"
#include "system/FileStatus.h"
#include "system/ScratchDirectory.h"

namespace fs = std::filesystem;

namespace {

// A 32-bit Windows process has 2 GiB of address space for the stub's buffers.
constexpr uint64_t kAddressSpace = uint64_t{2} << 30;

std::string MiBText(uint64_t bytes) {
  return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB";
}

// What check found: figures (as text lines and as JSON fields), problems that make the stub
// refuse the installer, and warnings about what it will do differently than expected.
struct CheckReport {
  std::vector<std::string> lines;
  std::vector<std::pair<std::string, uint64_t>> figures;
  std::vector<std::string> folders;  // JSON objects
  std::vector<std::string> problems, warnings;
};

// The stub looks for the signature at offset 0, then in 65,536-byte blocks that advance by
// 65,531 bytes, and reads each block whole: the file must reach the end of the block in which
// the signature is found.
void CheckScan(const std::string& path, uint64_t fileSize, CheckReport& report) {
  std::vector<std::string>& problems = report.problems;
  std::ifstream in(path, std::ios::binary);
  const uint64_t scanned = kScanReach + kSignatureSize;
  std::vector<uint8_t> head(size_t(std::min<uint64_t>(fileSize, scanned)));
  in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
  const auto signature = ArchiveSignatureBytes();
  const auto found = std::search(head.begin(), head.end(), signature.begin(), signature.end());
  if (found == head.end()) {
    problems.push_back("no archive signature within the first " + std::to_string(scanned) +
                       " bytes, which is as far as the stub's scan reaches");
    return;
  }
  const uint64_t at = uint64_t(found - head.begin());
  const uint64_t needed = ScanEnd(at);
  report.lines.push_back("signature: at offset " + std::to_string(at) +
                         "; the scan reads the file up to " + std::to_string(needed));
  report.figures.insert(report.figures.end(), {{"signatureOffset", at}, {"scanEnd", needed}});
  if (fileSize < needed) {
    problems.push_back("the installer ends " + std::to_string(needed - fileSize) +
                       " bytes before the end of the 64 KiB block in which the stub's scan "
                       "finds the signature; the stub reads that block whole and fails "
                       "(append that many zero bytes)");
  }
}

void CheckFolders(const InstallerListing& listing, CheckReport& report) {
  std::vector<std::string>& problems = report.problems;
  for (size_t f = 0; f < listing.folders.size(); ++f) {
    const ListedFolder& folder = listing.folders[f];
    const std::string name = "folder " + std::to_string(f);
    report.lines.push_back(name + ": " + folder.Method() + ", " +
                           std::to_string(folder.packedSize) + " bytes packed, " +
                           std::to_string(folder.unpackedSize) + " unpacked");
    std::ostringstream json;
    json << "{\"method\":";
    JsonString(json, folder.Method());
    json << ",\"packed\":" << folder.packedSize << ",\"unpacked\":" << folder.unpackedSize << "}";
    report.folders.push_back(json.str());
    if (folder.coders.empty()) problems.push_back(name + " has no coders");
    for (const ListedCoder& coder : folder.coders) {
      if (!coder.known) {
        problems.push_back(name + " uses " + coder.method + " (" +
                           std::to_string(coder.inStreams) + " in, " +
                           std::to_string(coder.outStreams) + " out), which the stub does not "
                           "decode; it decodes LZMA and BCJ2 only");
        continue;
      }
      if (coder.method != "LZMA") continue;
      if (!coder.propertiesValid) {
        problems.push_back(name + ": LZMA coder without valid properties");
        continue;
      }
      const FailureReason problem =
          LzmaPropertiesProblem({coder.lc, coder.lp, coder.pb, coder.dictSize});
      if (problem == FailureReason::LzmaDictionaryTooLarge) {
        problems.push_back(name + ": LZMA dictionary " + SizeText(coder.dictSize) +
                           " above the stub's " + SizeText(kLzmaMaxDictionary));
        continue;
      }
      if (problem != FailureReason::None)
        problems.push_back(name + ": " + FailureReasonText(problem));
      for (uint64_t size : coder.outSizes) {
        if (size > LzmaWindowLimit(coder.dictSize)) {
          problems.push_back(name + ": an LZMA output of " + std::to_string(size) +
                             " bytes is beyond the stub's window limit of " +
                             std::to_string(LzmaWindowLimit(coder.dictSize)) + " bytes for a " +
                             SizeText(coder.dictSize) + " dictionary");
        }
      }
    }
  }
}

// Why Windows cannot create the entry, by the rule `pack` applies to each component, or empty.
// The dot or blank that Windows drops from the last component draws a warning instead (see
// CheckWindowsNames), so that component is judged as Windows keeps it.
std::string WindowsNameProblem(const std::string& name) {
  for (size_t begin = 0; begin <= name.size();) {
    size_t end = begin;
    while (end < name.size() && !IsPathSeparator(name[end])) ++end;
    const size_t kept = end < name.size() ? end - begin
                                          : WindowsNameLength(name.data() + begin,
                                                              uint32_t(end - begin));
    const std::string problem = EntryNameProblem(name.substr(begin, kept));
    if (!problem.empty()) return problem;
    begin = end + 1;
  }
  return "";
}

void CheckEntries(const InstallerListing& listing, std::vector<std::string>& problems) {
  for (const ListedEntry& entry : listing.entries) {
    // Judged on the name as stored, as the stub judges it; shown escaped.
    WideString path(reinterpret_cast<const WCHAR*>(entry.units.c_str()));
    path.Replace('/', '\\');
    const std::string shown = ListingName(entry.units);
    if (path.Length() == 0) {
      problems.push_back("an entry has no name");
    } else if (!IsConfinedItemPath(path)) {
      problems.push_back("entry \"" + shown + "\" would leave the output directory (absolute, " +
                         "drive, \"..\", \".\" or empty part, \":\" or a device name)");
    } else if (const std::string problem = WindowsNameProblem(entry.name); !problem.empty()) {
      problems.push_back("entry \"" + shown + "\" has " + problem +
                         "; the Windows stub cannot create it");
    }
    if (entry.size >= (uint64_t{1} << 32))
      problems.push_back("entry \"" + shown + "\" is 4 GiB or larger");
  }
}

// The bytes of a name of `units` UTF-16 units as the stub holds it: read a unit at a time into
// a string that grows to 2c + 2 units when full (2, 6, 14, 30, ...), with room for the
// terminator.
uint64_t NameBytes(uint64_t units) {
  uint64_t capacity = 0;
  while (capacity < units + 1) capacity = 2 * capacity + 2;
  return 2 * capacity;
}

// The stub holds the entry list for the whole run: each name in UTF-16 (NameBytes), and a record
// of about 160 bytes an entry (the 72-byte entry of the 32-bit stub in a list that
// grows by doubling, with the tables that tie entries to folders). While it reads the header
// it holds the header's bytes and its decoded additional streams besides (their LZMA
// dictionary, at most their size, is gone before the names are read). Then it streams each
// folder through its coders: every LZMA coder of the folder keeps liblzma's dictionary (the
// declared size, or its output size when smaller) while the folder is decoded, plus small
// fixed buffers (the output piece, input blocks, liblzma's state).
uint64_t MemoryEstimate(const InstallerListing& listing, const HeaderSizes& header) {
  constexpr uint64_t kBuffers = 1 << 20;
  constexpr uint64_t kEntryRecord = 160;
  uint64_t entryList = 0;
  for (const ListedEntry& entry : listing.entries)
    entryList += kEntryRecord + NameBytes(entry.units.size());
  uint64_t dictionaries = 0;
  for (const ListedFolder& folder : listing.folders) {
    uint64_t inFolder = 0;
    for (const ListedCoder& coder : folder.coders) {
      if (coder.method != "LZMA") continue;
      for (uint64_t size : coder.outSizes) inFolder += LzmaDictionaryInUse(coder.dictSize, size);
    }
    dictionaries = std::max(dictionaries, inFolder);
  }
  return entryList + std::max(header.stored + header.decoded, dictionaries + kBuffers);
}

// A UTF-8 entry name, escaped for the terminal as the listing escapes it.
std::string Shown(const std::string& name) {
  const WideString wide = WideString::FromAnsi(name.c_str());
  const auto* units = reinterpret_cast<const char16_t*>(wide.Units());
  return "\"" + ListingName(std::u16string(units, wide.Length())) + "\"";
}

// The entries the stub creates (not those it deletes).
std::vector<NamedEntry> CreatedEntries(const InstallerListing& listing) {
  std::vector<NamedEntry> names;
  for (const ListedEntry& entry : listing.entries)
    if (!entry.isAnti) names.push_back({entry.name, entry.isDirectory});
  return names;
}

// What the Windows stub makes of the names: names that are one file there, names it changes,
// and whether the program runs: setup.exe at the top, or the one the options name (runPath).
void CheckWindowsNames(const InstallerListing& listing, const std::string& runPath,
                       CheckReport& report) {
  bool setupRuns = false;
  std::string setupDirectory;
  const std::string programKey = WindowsNameKey(runPath.empty() ? kSetupProgramName : runPath);
  for (const ListedEntry& entry : listing.entries) {
    if (entry.isAnti) continue;
    const std::string quoted = Shown(entry.name);
    const bool isProgram = WindowsNameKey(entry.name) == programKey;
    if (isProgram && entry.isDirectory) setupDirectory = quoted;
    if (isProgram && !entry.isDirectory) {
      setupRuns = true;
      if (EndsInDotOrBlank(entry.name)) {
        report.warnings.push_back(quoted + " is written as setup.exe on Windows (which drops " +
                                  "a dot or blank at the end of a name) and runs there; the " +
                                  "Linux stub does not run it");
      }
    } else if (EndsInDotOrBlank(entry.name)) {
      report.warnings.push_back(quoted + " loses the dot or blank at its end on Windows");
    }
  }
  for (const NameClash& clash : FindNameClashes(CreatedEntries(listing))) {
    const std::string both = Shown(clash.first) + " and " + Shown(clash.second);
    if (clash.Merges()) {
      report.warnings.push_back(both + " are one directory on Windows; their contents merge");
    } else if (!clash.firstIsDirectory && !clash.secondIsDirectory) {
      report.problems.push_back(both + " are one file on Windows; the Windows stub cannot " +
                                "replace the first while it holds it open (\"Can not delete " +
                                "output file\")");
    } else {
      // A directory where a file must go cannot be deleted; a file where a directory must go
      // leaves the entries below it nowhere to be created.
      const char* message = clash.firstIsDirectory ? "Can not delete output file"
                                                   : "Can not open output file";
      report.problems.push_back(both + " are one name on Windows, a file and a directory; " +
                                "the stub fails (\"" + message + "\")");
    }
  }
  if (!setupRuns && !runPath.empty()) {
    report.warnings.push_back("the program to run, " + Shown(runPath) +
                              (setupDirectory.empty() ? ", is not in the payload"
                                                      : ", is a directory there") +
                              "; the stub unpacks and runs nothing");
  } else if (!setupRuns) {
    report.warnings.push_back(setupDirectory.empty()
                                  ? "no setup.exe at the top; the stub unpacks and runs nothing"
                                  : setupDirectory + " is a directory; no setup.exe will run");
  }
}

void PrintText(const std::string& installer, const CheckReport& report,
               const std::string& refusal, std::ostream& out) {
  out << "installer: " << installer << ", " << report.figures.front().second << " bytes\n";
  for (const std::string& line : report.lines) out << line << "\n";
  for (const std::string& warning : report.warnings) out << "warning: " << warning << "\n";
  for (const std::string& problem : report.problems) out << "problem: " << problem << "\n";
  out << "stubpack: " << (refusal.empty() ? "the stub accepts this installer" : refusal) << "\n";
}

void PrintJson(const std::string& installer, const CheckReport& report,
               const std::string& refusal, std::ostream& out) {
  auto list = [&out](const std::vector<std::string>& texts) {
    out << "[";
    for (size_t i = 0; i < texts.size(); ++i) {
      if (i) out << ",";
      JsonString(out, texts[i]);
    }
    out << "]";
  };
  out << "{\"installer\":";
  JsonString(out, installer);
  out << ",\"accepted\":" << (refusal.empty() ? "true" : "false") << ",\"reason\":";
  if (refusal.empty()) {
    out << "null";
  } else {
    JsonString(out, refusal);
  }
  out << ",\"problems\":";
  list(report.problems);
  out << ",\"warnings\":";
  list(report.warnings);
  out << ",\"figures\":{";
  for (const auto& [name, value] : report.figures) out << "\"" << name << "\":" << value << ",";
  out << "\"folders\":[";
  for (size_t i = 0; i < report.folders.size(); ++i) out << (i ? "," : "") << report.folders[i];
  out << "]}}\n";
}

void RemoveScratch(const std::string& path) {
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(path, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink())
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  fs::remove_all(path, ignored);
}

}  // namespace

int RunCheck(const InspectOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& installer = options.installer;
  const std::string problem = InstallerAccessProblem(installer);
  FileStatus info;
  std::string error;
  if (!problem.empty() || !StatPath(installer, /*followLinks=*/true, info, error)) {
    err << "stubpack: error: " << problem << "\n";
    return 2;
  }
  const uint64_t fileSize = info.size;
  CheckReport report;
  report.figures.push_back({"size", fileSize});
  std::vector<std::string>& problems = report.problems;
  if (fileSize >= (uint64_t{1} << 32))
    problems.push_back("the installer is 4 GiB or larger; the stub keeps positions in 32 bits");
  CheckScan(installer, fileSize, report);

  StubHarness harness;
  OpenedInstaller opened;
  const StubOutcome open = OpenInstaller(harness, installer, opened);
  std::string refusal;
  if (open.failed) {
    refusal = RefusalText(open, "");
    const std::string words = ExplainRefusal(open.reason);
    if (!words.empty()) problems.push_back(words);
  } else {
    const ArchiveDatabase& db = opened.archive->Database;
    const InstallerListing listing = ListDatabase(db);
    report.lines.push_back("header: plain, " +
                           CountedNoun(listing.entries.size(), "entry", "entries") + ", " +
                           CountedNoun(listing.folders.size(), "folder", "folders"));
    report.figures.push_back({"entries", listing.entries.size()});
    CheckFolders(listing, report);
    CheckEntries(listing, problems);
    const InstallerIdentity identity = ReadIdentity(installer);
    if (identity.optionsDamaged)
      problems.push_back("the options resource is damaged; the stub ends at once (exit code 1)");
    CheckWindowsNames(listing, identity.runPath, report);
    for (std::string& warning :
         InstallWarnings(CreatedEntries(listing), options.tempPathLength, Shown))
      report.warnings.push_back(std::move(warning));
    const uint64_t memory =
        MemoryEstimate(listing, MeasureHeader(harness, installer, opened));
    report.lines.push_back("memory: the stub needs about " + MiBText(memory));
    report.figures.push_back({"memoryBytes", memory});
    if (memory > kAddressSpace)
      problems.push_back("the stub would need about " + MiBText(memory) +
                         ", more than a 32-bit Windows process can hold");

    if (problems.empty()) {
      // Decoding everything with the stub's own code checks every CRC and every size.
      const std::string scratch = MakeScratchDirectory("stubpack-check-");
      if (scratch.empty()) {
        err << "stubpack: error: cannot create a scratch directory\n";
        return 2;
      }
      const ExtractionReport extraction = ExtractWithStub(harness, installer, opened, scratch);
      RemoveScratch(scratch);
      if (extraction.outcome.failed) {
        refusal = RefusalText(extraction.outcome, extraction.lastEntry);
        const std::string words = ExplainRefusal(extraction.outcome.reason);
        if (!words.empty()) problems.push_back(words);
      } else {
        uint64_t bytes = 0, crcs = 0;
        for (const ListedEntry& entry : listing.entries) {
          bytes += entry.size;
          crcs += entry.crc ? 1 : 0;
        }
        report.lines.push_back(
            "decoded: " + CountedNoun(listing.entries.size(), "entry", "entries") + ", " +
            CountedNoun(bytes, "byte", "bytes") + ", " + CountedNoun(crcs, "CRC", "CRCs") +
            " verified");
        report.figures.insert(report.figures.end(),
                              {{"decodedBytes", bytes}, {"crcsVerified", crcs}});
      }
    }
  }

  if (refusal.empty() && !problems.empty())
    refusal = "the stub would refuse this installer: " + problems.front();
  const bool strictFails = options.strict && !report.warnings.empty();
  if (options.json) {
    PrintJson(installer, report, refusal, out);
  } else {
    PrintText(installer, report, refusal, out);
    if (strictFails && refusal.empty())
      out << "stubpack: --strict: " << CountedNoun(report.warnings.size(), "warning", "warnings")
          << " fail the check\n";
  }
  return refusal.empty() && !strictFails ? 0 : 1;
}
