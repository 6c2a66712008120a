#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "FolderPlan.h"
#include "InspectCommands.h"
#include "InstallerLayout.h"
#include "InstallerListing.h"
#include "StubHarness.h"
#include "extract/ItemPath.h"
#include "support/WideString.h"

namespace fs = std::filesystem;

namespace {

const uint8_t kSignature[] = {0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C};
// A 32-bit Windows process has 2 GiB of address space for the stub's buffers.
constexpr uint64_t kAddressSpace = uint64_t{2} << 30;

std::string MiBText(uint64_t bytes) {
  return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB";
}

// Words for the reasons the stub's reader gives when it refuses a header.
std::string Explain(const std::string& reason) {
  struct Row {
    const char* reason;
    const char* words;
  };
  static const Row kRows[] = {
      {"not a plain header", "the header is compressed; the stub reads plain headers only"},
      {"archive properties", "the header carries archive properties, which the stub refuses"},
      {"unsupported version", "the archive's major version is not 0"},
      {"signature not found", "no archive signature within the stub's scan"},
      {"short read", "the file ends before data the stub reads (truncated?)"},
      {"header outside file", "the header lies beyond the end of the file (truncated?)"},
      {"start header CRC mismatch", "the start header is damaged"},
      {"header CRC mismatch", "the header is damaged"},
      {"entry CRC mismatch", "an entry's data does not match its CRC"},
      {"corrupt LZMA data", "packed data is damaged"},
      {"folder ended before its entries", "a folder yields fewer bytes than its entries need"},
      {"entry path leaves the output directory",
       "an entry would be written outside the output directory"},
  };
  for (const Row& row : kRows)
    if (reason == row.reason) return row.words;
  return "";
}

// The stub looks for the signature at offset 0, then in 65,536-byte blocks that advance by
// 65,531 bytes, and reads each block whole: the file must reach the end of the block in which
// the signature is found.
void CheckScan(const std::string& path, uint64_t fileSize, std::vector<std::string>& problems,
               std::ostream& out) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> head(size_t(std::min<uint64_t>(fileSize, kScanReach + 6)));
  in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
  const auto found = std::search(head.begin(), head.end(), std::begin(kSignature),
                                 std::end(kSignature));
  if (found == head.end()) {
    problems.push_back("no archive signature within the first " + std::to_string(kScanReach + 6) +
                       " bytes, which is as far as the stub's scan reaches");
    return;
  }
  const uint64_t at = uint64_t(found - head.begin());
  const uint64_t needed = at == 0 ? 6 : 1 + (at - 1) / kScanStep * kScanStep + kScanBlock;
  out << "signature: at offset " << at << "; the scan reads the file up to " << needed << "\n";
  if (fileSize < needed) {
    problems.push_back("the installer ends " + std::to_string(needed - fileSize) +
                       " bytes before the end of the 64 KiB block in which the stub's scan "
                       "finds the signature; the stub reads that block whole and fails "
                       "(append that many zero bytes)");
  }
}

void CheckFolders(const InstallerListing& listing, std::vector<std::string>& problems,
                  std::ostream& out) {
  for (size_t f = 0; f < listing.folders.size(); ++f) {
    const ListedFolder& folder = listing.folders[f];
    const std::string name = "folder " + std::to_string(f);
    out << name << ": " << folder.Method() << ", " << folder.packedSize << " bytes packed, "
        << folder.unpackedSize << " unpacked\n";
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
      if (coder.lc + coder.lp > 4) problems.push_back(name + ": LZMA lc + lp above 4");
      if (coder.pb > 4) problems.push_back(name + ": LZMA pb above 4");
      if (coder.dictSize > kMaxDictSize) {
        problems.push_back(name + ": LZMA dictionary " + SizeText(coder.dictSize) +
                           " above the stub's 256M");
        continue;
      }
      for (uint64_t size : coder.outSizes) {
        if (size > WindowLimit(coder.dictSize)) {
          problems.push_back(name + ": an LZMA output of " + std::to_string(size) +
                             " bytes is beyond the stub's window limit of " +
                             std::to_string(WindowLimit(coder.dictSize)) + " bytes for a " +
                             SizeText(coder.dictSize) + " dictionary");
        }
      }
    }
  }
}

void CheckEntries(const InstallerListing& listing, std::vector<std::string>& problems) {
  for (const ListedEntry& entry : listing.entries) {
    WideString path = WideString::FromAnsi(entry.name.c_str());
    path.Replace('/', '\\');
    if (path.Length() == 0) {
      problems.push_back("an entry has no name");
    } else if (!IsConfinedItemPath(path)) {
      problems.push_back("entry \"" + entry.name + "\" would leave the output directory " +
                         "(absolute, drive, \"..\", \":\" or a device name)");
    }
    if (entry.size >= (uint64_t{1} << 32))
      problems.push_back("entry \"" + entry.name + "\" is 4 GiB or larger");
  }
}

// The stub keeps every LZMA coder's output of a folder until the folder is done, liblzma's
// dictionary (as large as the output) while one decodes, and each file's content until it is
// complete; a file written in pieces may briefly need three times its size while it grows.
uint64_t MemoryEstimate(const InstallerListing& listing, uint64_t headerBytes) {
  uint64_t peak = 0;
  for (size_t f = 0; f < listing.folders.size(); ++f) {
    const ListedFolder& folder = listing.folders[f];
    uint64_t windows = 0, largestOutput = 0;
    bool pieces = false;
    for (const ListedCoder& coder : folder.coders) {
      if (coder.method != "LZMA") pieces = true;
      if (coder.method != "LZMA") continue;
      for (uint64_t size : coder.outSizes) {
        windows += size;
        largestOutput = std::max(largestOutput, size);
      }
    }
    uint64_t largestEntry = 0;
    for (const ListedEntry& entry : listing.entries)
      if (entry.folder == int32_t(f)) largestEntry = std::max(largestEntry, entry.size);
    peak = std::max(peak, windows + largestOutput + largestEntry * (pieces ? 3 : 1));
  }
  return peak + headerBytes;
}

void RemoveScratch(const std::string& path) {
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(path, ignored);
       it != fs::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink()) chmod(it->path().c_str(), 0700);
  }
  fs::remove_all(path, ignored);
}

}  // namespace

int RunCheck(const InspectOptions& options, std::ostream& out, std::ostream& err) {
  const std::string& installer = options.installer;
  const std::string problem = InstallerAccessProblem(installer);
  struct stat info;
  if (!problem.empty() || stat(installer.c_str(), &info) != 0) {
    err << "stubpack: error: " << problem << "\n";
    return 2;
  }
  const uint64_t fileSize = uint64_t(info.st_size);
  out << "installer: " << installer << ", " << fileSize << " bytes\n";

  std::vector<std::string> problems;
  if (fileSize >= (uint64_t{1} << 32))
    problems.push_back("the installer is 4 GiB or larger; the stub keeps positions in 32 bits");
  CheckScan(installer, fileSize, problems, out);

  StubHarness harness;
  OpenedInstaller opened;
  const StubOutcome open = OpenInstaller(harness, installer, opened);
  std::string refusal;
  if (open.failed) {
    refusal = RefusalText(open.reason, open.message, "");
    const std::string words = Explain(open.reason);
    if (!words.empty()) problems.push_back(words);
  } else {
    const ArchiveDatabase& db = opened.archive->Database;
    const InstallerListing listing = ListDatabase(db);
    out << "header: plain, " << listing.entries.size() << " entries, " << listing.folders.size()
        << " folders\n";
    CheckFolders(listing, problems, out);
    CheckEntries(listing, problems);
    const uint64_t memory = MemoryEstimate(listing, fileSize - db.HeaderEnd);
    out << "memory: the stub needs about " << MiBText(memory) << "\n";
    if (memory > kAddressSpace)
      problems.push_back("the stub would need about " + MiBText(memory) +
                         ", more than a 32-bit Windows process can hold");

    if (problems.empty()) {
      // Decoding everything with the stub's own code checks every CRC and every size.
      std::string scratch = (fs::temp_directory_path() / "stubpack-check-XXXXXX").string();
      if (mkdtemp(scratch.data()) == nullptr) {
        err << "stubpack: error: cannot create a scratch directory\n";
        return 2;
      }
      const ExtractionReport report = ExtractWithStub(harness, installer, opened, scratch);
      RemoveScratch(scratch);
      if (report.outcome.failed) {
        refusal = RefusalText(report.outcome.reason, report.outcome.message, report.lastEntry);
        const std::string words = Explain(report.outcome.reason);
        if (!words.empty()) problems.push_back(words);
      } else {
        uint64_t bytes = 0, crcs = 0;
        for (const ListedEntry& entry : listing.entries) {
          bytes += entry.size;
          crcs += entry.crc ? 1 : 0;
        }
        out << "decoded: " << listing.entries.size() << " entries, " << bytes << " bytes, "
            << crcs << " CRCs verified\n";
      }
    }
  }

  for (const std::string& problem : problems) out << "problem: " << problem << "\n";
  if (refusal.empty() && !problems.empty())
    refusal = "the stub would refuse this installer: " + problems.front();
  if (refusal.empty()) {
    out << "stubpack: the stub accepts this installer\n";
    return 0;
  }
  out << "stubpack: " << refusal << "\n";
  return 1;
}
