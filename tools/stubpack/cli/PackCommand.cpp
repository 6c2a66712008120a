#include "cli/PackCommand.h"

#include <lzma.h>

#include <cerrno>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>

#include "base/CountedNoun.h"
#include "base/PackError.h"
#include "cli/PackPlan.h"
#include "cli/ProgressBar.h"
#include "format/StartHeader.h"
#include "installer/InstallerFile.h"
#include "installer/InstallerLayout.h"
#include "installer/OutputTarget.h"
#include "installer/StubFile.h"
#include "pack/ArchiveTail.h"
#include "pack/EncoderBudget.h"
#include "pack/FolderEncoder.h"
#include "pack/FolderPlan.h"
#include "pack/OrderedPipeline.h"
#include "pack/SevenZipWriter.h"
#include "pack/SolidOrder.h"
#include "pe/PeImage.h"
#include "pe/PeLayout.h"
#include "source/EntryName.h"
#include "source/ScannedFile.h"
#include "source/SourceTree.h"
#include "source/WindowsNames.h"

namespace {

void AppendFile(const SourceEntry& file, std::vector<uint8_t>& data) {
  const ScannedFile in(file);
  const size_t start = data.size();
  data.resize(start + file.size);
  uint8_t beyond;
  if (in.ReadAt(0, data.data() + start, file.size) != file.size ||
      in.ReadAt(file.size, &beyond, 1) != 0) {
    throw PackError(file.diskPath + " changed size while it was packed");
  }
}

struct PackSummary {
  uint64_t files = 0, directories = 0, inputBytes = 0, installerBytes = 0, archiveBytes = 0;
  uint64_t x86Files = 0;
  double seconds = 0;
  unsigned encoders = 1;
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
         CountedNoun(s.x86Files, "x86 file", "x86 files") + " converted, " + seconds + " on " +
         CountedNoun(s.encoders, "thread", "threads");
}

// The main packed streams, as written, and the entries of the files they hold.
struct EncodedArchive {
  std::vector<ArchiveEntry> entries;  // the plan's entries, then the files with data
  std::vector<FolderRecord> folders;
  std::vector<uint64_t> packSizes;
  uint64_t packedTotal = 0;
};

// One folder ready to be written: its coders and packed streams, and its files' entries.
struct FolderOutput {
  EncodedFolder encoded;
  std::vector<ArchiveEntry> entries;
};

// The progress of every folder in flight, summed into one bar. A folder whose run was stopped
// (another one failed) gives up at its next report.
class SharedProgress {
 public:
  explicit SharedProgress(ProgressBar& bar) : bar_(bar) {}
  void Advance(uint64_t bytes, const std::atomic<bool>& stop) {
    if (stop) throw PackError("stopped");  // never shown: the first failure is reported
    const std::lock_guard<std::mutex> lock(mutex_);
    bar_.Advance(bytes);
  }

 private:
  ProgressBar& bar_;
  std::mutex mutex_;
};

// What a folder waiting to be written holds.
uint64_t HeldBytes(const FolderOutput& output) {
  uint64_t bytes = output.entries.capacity() * sizeof(ArchiveEntry);
  for (const ArchiveEntry& entry : output.entries) bytes += entry.name.capacity() * 2;
  for (const std::vector<uint8_t>& packed : output.encoded.packedStreams)
    bytes += packed.capacity();
  return bytes;
}

// Reads one folder's files and compresses them; runs on a worker thread.
FolderOutput EncodeFolder(const PackPlan& plan, const PlannedFolder& planned,
                          const PackOptions& options, SharedProgress& progress,
                          const std::atomic<bool>& stop, SideJobQueue& sideJobs) {
  const LzmaSettings x86Settings =
      options.literalBitsGiven ? options.lzma : X86MainSettings(options.lzma);
  // Installers that other 7z readers must open keep the BCJ2 layout those readers know.
  const Bcj2Decisions decisions = options.fileListForm == FileListForm::kPlain
                                      ? Bcj2Decisions::kStored
                                      : Bcj2Decisions::kCompressed;
  FolderOutput output;
  std::vector<uint8_t> data;
  data.reserve(planned.size);
  std::vector<Bcj2Region> regions;
  for (size_t index : planned.files) {
    const StreamedFile& file = plan.streamed[index];
    const SourceEntry& source = plan.scanned[file.entry];
    const size_t start = data.size();
    AppendFile(source, data);
    regions.push_back({start, source.size, file.imageSize, file.code});
    ArchiveEntry entry;
    entry.name = ToArchiveName(source.path);
    entry.hasStream = true;
    entry.size = source.size;
    entry.crc = lzma_crc32(data.data() + start, source.size, 0);
    entry.lastWriteTime = source.lastWriteTime;
    entry.attributes = WindowsAttributes(false, source.mode);
    output.entries.push_back(entry);
  }
  uint64_t reported = 0;
  auto advance = [&](uint64_t n) {
    reported += n;
    progress.Advance(n, stop);
  };
  output.encoded =
      planned.bcj2
          ? FolderEncoder::EncodeBcj2(data, regions, x86Settings, decisions, advance, sideJobs)
          : FolderEncoder::EncodeLzma(data, options.lzma, advance);
  // BCJ2 moves branch targets out of the stream whose progress is reported.
  if (reported < data.size()) progress.Advance(data.size() - reported, stop);
  output.encoded.record.numSubstreams = static_cast<uint32_t>(planned.files.size());
  return output;
}

// The second step: encodes the folders, limits.workers at a time, and writes their packed
// streams to the installer in plan order, so the bytes are the same however many encoders ran.
EncodedArchive EncodeFolders(const PackPlan& plan, const PackOptions& options,
                             const InFlightLimits& limits, InstallerFile& installer) {
  ProgressBar bar(plan.streamedBytes, !options.quiet && plan.streamedBytes >= (4u << 20));
  SharedProgress progress(bar);
  EncodedArchive archive;
  archive.entries = plan.entries;
  RunInOrder<FolderOutput>(
      plan.folders.size(), limits,
      [&](size_t index, const std::atomic<bool>& stop, SideJobQueue& sideJobs) {
        return EncodeFolder(plan, plan.folders[index], options, progress, stop, sideJobs);
      },
      [&](size_t, FolderOutput& output) {
        for (const std::vector<uint8_t>& packed : output.encoded.packedStreams) {
          installer.Write(packed.data(), packed.size());
          archive.packSizes.push_back(packed.size());
          archive.packedTotal += packed.size();
        }
        archive.folders.push_back(std::move(output.encoded.record));
        archive.entries.insert(archive.entries.end(), output.entries.begin(),
                               output.entries.end());
      },
      HeldBytes);
  bar.Finish();
  return archive;
}

// How many folders to encode at once, and the memory they and the finished folders waiting to
// be written may take; an explicit --threads that memory cannot hold is reduced with a note.
InFlightLimits ChooseLimits(const PackPlan& plan, const PackOptions& options,
                            std::ostream& notes) {
  uint64_t largest = 0;
  for (const PlannedFolder& folder : plan.folders) largest = std::max(largest, folder.size);
  const uint64_t perFolder = FolderMemory(largest, options.lzma);
  const uint64_t usable = UsableMemory();
  const unsigned requested = options.threads != 0 ? options.threads : ProcessorCount();
  const EncoderBudget budget = PlanEncoders(requested, plan.folders.size(), perFolder, usable);
  if (budget.limitedByMemory && options.threads != 0) {
    notes << "stubpack: note: --threads " << options.threads << " reduced to "
          << budget.encoders << ": each folder being encoded may take " << (perFolder >> 20)
          << " MiB and stubpack uses at most " << (usable >> 20)
          << " MiB (three quarters of the memory available)\n";
  }
  InFlightLimits limits;
  limits.workers = budget.encoders;
  limits.itemMemory = perFolder;
  limits.memory = std::max(usable, budget.encoders * perFolder);
  return limits;
}

struct InstallerSizes {
  uint64_t installer;
  uint64_t archive;
};

// The last step: the header after the packed streams, the padding the scan needs, then the
// archive's length, its start header and the PE checksum in the places kept for them.
InstallerSizes WriteArchiveTail(const std::vector<uint8_t>& stub, const EncodedArchive& archive,
                                 FileListForm fileListForm, InstallerFile& installer) {
  const uint64_t archiveStart = stub.size() + 4;
  const uint64_t packedTotal = archive.packedTotal;
  auto installerSize = [&stub](uint64_t archiveSize) {
    return stub.size() + 4 + archiveSize + ScanPadding(stub.size(), archiveSize);
  };
  const ArchiveTail tail = BuildArchiveTail(archive.folders, archive.packSizes, archive.entries,
                                            packedTotal, fileListForm, installerSize);
  installer.Write(tail.additionalPacked.data(), tail.additionalPacked.size());
  installer.Write(tail.header.data(), tail.header.size());
  const uint64_t nextHeaderOffset = packedTotal + tail.additionalPacked.size();
  const auto startHeader = SevenZipWriter::BuildStartHeader(nextHeaderOffset, tail.header);
  const uint64_t archiveSize =
      kStartHeaderSize + nextHeaderOffset + tail.header.size();
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
  uint8_t length[4];
  PutLe32(length, static_cast<uint32_t>(archiveSize));
  installer.WriteAt(stub.size(), length, 4);
  installer.WriteAt(archiveStart, startHeader.data(), startHeader.size());
  // A Windows stub's header checksum covers the whole installer, as signing tools compute it.
  if (windowsStub) {
    uint8_t checksum[4];
    PutLe32(checksum, installer.PeChecksumOfContent(*checksumAt));
    installer.WriteAt(*checksumAt, checksum, 4);
  }
  return {archiveStart + archiveSize + padding.size(), archiveSize};
}

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

int RunPack(const PackOptions& options, std::ostream& out, std::ostream& warnings) {
  const auto started = std::chrono::steady_clock::now();
  const PackPlan plan = PlanPack(options, warnings);
  if (options.strict && !plan.warnings.empty()) {
    warnings << "stubpack: error: --strict: "
             << CountedNoun(plan.warnings.size(), "warning", "warnings")
             << "; no installer was written\n";
    return 1;
  }

  InstallerFile installer(plan.target);
  installer.Write(plan.stub.data(), plan.stub.size());
  // The archive's length and start header are known only at the end: room is kept for them.
  const std::vector<uint8_t> placeholder(4 + kStartHeaderSize, 0);
  installer.Write(placeholder.data(), placeholder.size());
  const InFlightLimits limits = ChooseLimits(plan, options, warnings);
  const EncodedArchive archive = EncodeFolders(plan, options, limits, installer);
  const InstallerSizes sizes =
      WriteArchiveTail(plan.stub, archive, options.fileListForm, installer);
  installer.Commit();

  if (options.quiet) return 0;
  PackSummary summary;
  for (const SourceEntry& source : plan.scanned) {
    (source.isDirectory ? summary.directories : summary.files) += 1;
    summary.inputBytes += source.size;
  }
  for (const PlannedFolder& planned : plan.folders)
    if (planned.bcj2) summary.x86Files += planned.files.size();
  summary.installerBytes = sizes.installer;
  summary.encoders = limits.workers;
  summary.archiveBytes = sizes.archive;
  const auto elapsed = std::chrono::steady_clock::now() - started;
  summary.seconds = std::chrono::duration<double>(elapsed).count();
  out << SummaryLine(summary, options.output) << "\n";
  return 0;
}
