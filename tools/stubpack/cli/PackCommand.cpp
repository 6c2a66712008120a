#include "cli/PackCommand.h"

#include <lzma.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

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
#include "pack/FolderEncoder.h"
#include "pack/FolderPlan.h"
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

// The main packed streams, as written, and the entries of the files they hold.
struct EncodedArchive {
  std::vector<ArchiveEntry> entries;  // the plan's entries, then the files with data
  std::vector<FolderRecord> folders;
  std::vector<uint64_t> packSizes;
  uint64_t packedTotal = 0;
};

// The second step: reads the files folder by folder, compresses each and writes its packed
// streams to the installer.
EncodedArchive EncodeFolders(const PackPlan& plan, const PackOptions& options,
                             InstallerFile& installer) {
  ProgressBar progress(plan.streamedBytes, !options.quiet && plan.streamedBytes >= (4u << 20));
  const LzmaSettings x86Settings =
      options.literalBitsGiven ? options.lzma : X86MainSettings(options.lzma);
  // Installers that other 7z readers must open keep the BCJ2 layout those readers know.
  const Bcj2Decisions decisions = options.fileListForm == FileListForm::kPlain
                                      ? Bcj2Decisions::kStored
                                      : Bcj2Decisions::kCompressed;
  EncodedArchive archive;
  archive.entries = plan.entries;
  for (const PlannedFolder& planned : plan.folders) {
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
      archive.entries.push_back(entry);
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
      archive.packSizes.push_back(packed.size());
      archive.packedTotal += packed.size();
    }
    archive.folders.push_back(std::move(encoded.record));
  }
  progress.Finish();
  return archive;
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
  const EncodedArchive archive = EncodeFolders(plan, options, installer);
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
  summary.archiveBytes = sizes.archive;
  const auto elapsed = std::chrono::steady_clock::now() - started;
  summary.seconds = std::chrono::duration<double>(elapsed).count();
  out << SummaryLine(summary, options.output) << "\n";
  return 0;
}
