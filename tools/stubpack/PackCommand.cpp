#include "PackCommand.h"

#include <lzma.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "CountedNoun.h"
#include "EntryName.h"
#include "FolderEncoder.h"
#include "FolderPlan.h"
#include "InstallerLayout.h"
#include "InstallerFile.h"
#include "OutputTarget.h"
#include "PackError.h"
#include "PeImage.h"
#include "PeLayout.h"
#include "ProgressBar.h"
#include "SevenZipWriter.h"
#include "SolidOrder.h"
#include "SourceTree.h"
#include "StubFile.h"
#include "WindowsNames.h"

namespace {

std::optional<uint64_t> SourceDateEpoch() {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  if (text == nullptr || *text == '\0') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long seconds = std::strtoll(text, &end, 10);
  // The last second of the year 9999: later times do not print as four-digit years.
  constexpr long long kLatest = 253402300799;
  if (*end != '\0' || errno != 0 || seconds < 0 || seconds > kLatest) {
    throw PackError("SOURCE_DATE_EPOCH must be a number of seconds from 0 to " +
                    std::to_string(kLatest) + " (9999-12-31 23:59:59 UTC)");
  }
  return FileTimeFromUnix(seconds, 0);
}

void AppendFile(const SourceEntry& file, std::vector<uint8_t>& data) {
  std::ifstream in(file.diskPath, std::ios::binary);
  if (!in) throw PackError("cannot read " + file.diskPath + ": " + std::strerror(errno));
  const size_t start = data.size();
  data.resize(start + file.size);
  in.read(reinterpret_cast<char*>(data.data() + start), static_cast<std::streamsize>(file.size));
  if (static_cast<uint64_t>(in.gcount()) != file.size || in.peek() != EOF) {
    throw PackError(file.diskPath + " changed size while it was packed");
  }
}

// Names the installer cannot hold. A refused directory stands for everything below it, which
// the scan lists right after it.
void AddNameProblems(const std::vector<SourceEntry>& scanned, std::vector<std::string>& problems) {
  std::string refusedDirectory;
  for (const SourceEntry& entry : scanned) {
    if (!refusedDirectory.empty() && entry.path.rfind(refusedDirectory + "/", 0) == 0) continue;
    const std::string problem = ArchiveNameProblem(entry.path);
    if (problem.empty()) continue;
    problems.push_back(problem);
    if (entry.isDirectory) refusedDirectory = entry.path;
  }
}

// Two names that are one on Windows cannot both be unpacked there.
void AddWindowsNameClashes(const std::vector<SourceEntry>& scanned,
                           std::vector<std::string>& problems) {
  std::vector<NamedEntry> names;
  for (const SourceEntry& entry : scanned) names.push_back({entry.path, entry.isDirectory});
  for (const NameClash& clash : FindNameClashes(names)) {
    problems.push_back("\"" + clash.first + "\" and \"" + clash.second +
                       "\" differ only in case; Windows cannot hold both");
  }
}

// Ends the run when the tree has problems, after naming each of them, so that one run shows
// all that needs fixing.
void RefuseTreeProblems(const std::vector<std::string>& problems, const std::string& source,
                        std::ostream& err) {
  if (problems.empty()) return;
  if (problems.size() == 1) throw PackError(problems.front());
  for (const std::string& problem : problems) err << "stubpack: error: " << problem << "\n";
  throw PackError(std::to_string(problems.size()) + " problems in " + source +
                  "; no installer was written");
}

struct PackSummary {
  uint64_t files = 0, directories = 0, inputBytes = 0, installerBytes = 0, archiveBytes = 0;
  uint64_t x86Files = 0;
  double seconds = 0;
};

// The ratio is the archive's, without the stub: the stub's size is the same for every
// installer and would drown the compression of a small tree.
std::string SummaryLine(const PackSummary& s, const std::string& output) {
  char ratio[32], seconds[32];
  std::snprintf(ratio, sizeof(ratio), "%.1f %%",
                s.inputBytes ? 100.0 * double(s.archiveBytes) / double(s.inputBytes) : 0.0);
  std::snprintf(seconds, sizeof(seconds), "%.1f s", s.seconds);
  return "packed " + CountedNoun(s.files, "file", "files") + " and " +
         CountedNoun(s.directories, "folder", "folders") + ", " +
         CountedNoun(s.inputBytes, "byte", "bytes") + ", into " + output + ": " +
         CountedNoun(s.installerBytes, "byte", "bytes") + ", its archive " +
         CountedNoun(s.archiveBytes, "byte", "bytes") + " (" + ratio + " of the input), " +
         CountedNoun(s.x86Files, "x86 file", "x86 files") + " converted, " + seconds;
}

struct StreamedFile {
  size_t entry;        // index into the scanned entries
  uint64_t imageSize;  // where its branch targets may land
  std::vector<Bcj2Region::Code> code;
};

}  // namespace

uint64_t ParseSize(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (text.empty() || end == text.c_str() || errno != 0) {
    throw PackError("bad size \"" + text + "\"");
  }
  const std::string unit = end;
  int shift;
  if (unit.empty() || unit == "B") {
    shift = 0;
  } else if (unit == "K" || unit == "k" || unit == "KiB") {
    shift = 10;
  } else if (unit == "M" || unit == "m" || unit == "MiB") {
    shift = 20;
  } else if (unit == "G" || unit == "g" || unit == "GiB") {
    shift = 30;
  } else {
    throw PackError("bad size \"" + text + "\" (units: K, M, G)");
  }
  if (value > (~0ull >> shift)) throw PackError("size \"" + text + "\" is too large");
  return value << shift;
}

void RunPack(const PackOptions& options, std::ostream& out, std::ostream& warnings) {
  const auto started = std::chrono::steady_clock::now();
  const std::string stubPath = StubPath(options.stub);
  const std::string target = OutputTarget(options.output, options.source, stubPath);
  const std::vector<uint8_t> stub =
      ApplyIdentity(ReadStub(stubPath).bytes, options.identity, stubPath);
  if (options.identity.Any()) CheckStub(stub, stubPath + " with its new resources");
  std::vector<std::string> problems;
  const std::vector<SourceEntry> scanned =
      ScanSourceTree(options.source, SourceDateEpoch(), problems);
  AddNameProblems(scanned, problems);
  AddWindowsNameClashes(scanned, problems);
  RefuseTreeProblems(problems, options.source, warnings);

  std::vector<ArchiveEntry> entries;  // streamless entries first, in scan order
  std::vector<PlanInput> planInput;
  std::vector<StreamedFile> streamed;
  bool hasSetup = false;
  for (size_t i = 0; i < scanned.size(); ++i) {
    const SourceEntry& source = scanned[i];
    ArchiveEntry entry;
    entry.name = ToArchiveName(source.path);
    entry.isDirectory = source.isDirectory;
    entry.lastWriteTime = source.lastWriteTime;
    entry.attributes = WindowsAttributes(source.isDirectory, source.mode);
    hasSetup |= IsSetupProgramName(source.path) && !source.isDirectory;
    if (source.isDirectory || source.size == 0) {
      entries.push_back(entry);
      continue;
    }
    PlanInput input;
    input.path = source.diskPath;
    input.size = source.size;
    StreamedFile file{i, source.size, {}};
    if (options.bcj2 != Bcj2Mode::kOff) {
      const PeImageInfo pe = InspectPeFile(source.diskPath);
      input.bcj2 = options.bcj2 == Bcj2Mode::kOn || pe.isX86;
      if (pe.isX86 && pe.sizeOfImage != 0) {
        file.imageSize = pe.sizeOfImage;
        for (const PeCodeSection& c : pe.codeSections) {
          file.code.push_back({c.fileOffset, c.fileSize, c.virtualAddress});
        }
      }
    }
    planInput.push_back(input);
    streamed.push_back(file);
  }
  if (!hasSetup) {
    warnings << "stubpack: warning: " << options.source
             << " has no setup.exe at its top; the installer will fail to start it\n";
  }
  {
    std::vector<std::string> paths;
    for (const StreamedFile& file : streamed) paths.push_back(scanned[file.entry].path);
    std::vector<PlanInput> sortedInput;
    std::vector<StreamedFile> sortedFiles;
    for (size_t index : SolidOrder(paths)) {
      sortedInput.push_back(std::move(planInput[index]));
      sortedFiles.push_back(std::move(streamed[index]));
    }
    planInput = std::move(sortedInput);
    streamed = std::move(sortedFiles);
  }
  const std::vector<PlannedFolder> plan = PlanFolders(planInput, options.solidSize);

  uint64_t totalBytes = 0;
  for (const PlanInput& input : planInput) totalBytes += input.size;
  ProgressBar progress(totalBytes, !options.quiet && totalBytes >= (4u << 20));

  InstallerFile installer(target);
  installer.Write(stub.data(), stub.size());
  const uint64_t archiveStart = stub.size() + 4;
  const std::vector<uint8_t> placeholder(4 + SevenZipWriter::kStartHeaderSize, 0);
  installer.Write(placeholder.data(), placeholder.size());

  const LzmaSettings x86Settings =
      options.literalBitsGiven ? options.lzma : X86MainSettings(options.lzma);
  // Installers that other 7z readers must open keep the BCJ2 layout those readers know.
  const Bcj2Decisions decisions = options.headerForm == HeaderForm::kPlain
                                      ? Bcj2Decisions::kStored
                                      : Bcj2Decisions::kCompressed;
  std::vector<FolderRecord> folders;
  std::vector<uint64_t> packSizes;
  uint64_t packedTotal = 0;
  for (const PlannedFolder& planned : plan) {
    std::vector<uint8_t> data;
    data.reserve(planned.size);
    std::vector<Bcj2Region> regions;
    for (size_t index : planned.files) {
      const SourceEntry& source = scanned[streamed[index].entry];
      const size_t start = data.size();
      AppendFile(source, data);
      regions.push_back({start, source.size, streamed[index].imageSize, streamed[index].code});
      ArchiveEntry entry;
      entry.name = ToArchiveName(source.path);
      entry.hasStream = true;
      entry.size = source.size;
      entry.crc = lzma_crc32(data.data() + start, source.size, 0);
      entry.lastWriteTime = source.lastWriteTime;
      entry.attributes = WindowsAttributes(false, source.mode);
      entries.push_back(entry);
    }
    uint64_t reported = 0;
    auto advance = [&progress, &reported](uint64_t n) {
      reported += n;
      progress.Advance(n);
    };
    EncodedFolder encoded =
        planned.bcj2 ? FolderEncoder::EncodeBcj2(data, regions, x86Settings, decisions, advance)
                     : FolderEncoder::EncodeLzma(data, options.lzma, advance);
    // BCJ2 moves branch targets out of the stream whose progress is reported.
    if (reported < data.size()) progress.Advance(data.size() - reported);
    encoded.record.numSubstreams = static_cast<uint32_t>(planned.files.size());
    for (const std::vector<uint8_t>& packed : encoded.packedStreams) {
      installer.Write(packed.data(), packed.size());
      packSizes.push_back(packed.size());
      packedTotal += packed.size();
    }
    folders.push_back(std::move(encoded.record));
  }
  progress.Finish();

  auto installerSize = [&stub](uint64_t archiveSize) {
    return stub.size() + 4 + archiveSize + ScanPadding(stub.size(), archiveSize);
  };
  const ArchiveTail tail = BuildArchiveTail(folders, packSizes, entries, packedTotal,
                                            options.headerForm, installerSize);
  installer.Write(tail.additionalPacked.data(), tail.additionalPacked.size());
  installer.Write(tail.header.data(), tail.header.size());
  const uint64_t nextHeaderOffset = packedTotal + tail.additionalPacked.size();
  const auto startHeader = SevenZipWriter::BuildStartHeader(nextHeaderOffset, tail.header);
  const uint64_t archiveSize =
      SevenZipWriter::kStartHeaderSize + nextHeaderOffset + tail.header.size();
  if (archiveStart + archiveSize >= (uint64_t{1} << 32)) {
    throw PackError("the installer would reach 4 GiB, more than it can unpack");
  }
  const std::optional<size_t> checksumAt = PeChecksumOffset(stub);
  const bool windowsStub = checksumAt.has_value();
  uint64_t paddingSize = ScanPadding(stub.size(), archiveSize);
  // Checksum tools disagree on a last odd byte: a Windows installer ends on a whole word.
  if (windowsStub && (archiveStart + archiveSize + paddingSize) % 2 != 0) ++paddingSize;
  const std::vector<uint8_t> padding(paddingSize, 0);
  installer.Write(padding.data(), padding.size());
  const uint8_t length[4] = {static_cast<uint8_t>(archiveSize),
                             static_cast<uint8_t>(archiveSize >> 8),
                             static_cast<uint8_t>(archiveSize >> 16),
                             static_cast<uint8_t>(archiveSize >> 24)};
  installer.WriteAt(stub.size(), length, 4);
  installer.WriteAt(archiveStart, startHeader.data(), startHeader.size());
  // A Windows stub's header checksum covers the whole installer, as signing tools compute it.
  if (windowsStub) {
    uint8_t checksum[4];
    PutLe32(checksum, installer.PeChecksumOfContent(*checksumAt));
    installer.WriteAt(*checksumAt, checksum, 4);
  }
  installer.Commit();

  if (options.quiet) return;
  PackSummary summary;
  for (const SourceEntry& source : scanned) {
    (source.isDirectory ? summary.directories : summary.files) += 1;
    summary.inputBytes += source.size;
  }
  for (const PlannedFolder& planned : plan)
    if (planned.bcj2) summary.x86Files += planned.files.size();
  summary.installerBytes = archiveStart + archiveSize + padding.size();
  summary.archiveBytes = archiveSize;
  const auto elapsed = std::chrono::steady_clock::now() - started;
  summary.seconds = std::chrono::duration<double>(elapsed).count();
  out << SummaryLine(summary, options.output) << "\n";
}
