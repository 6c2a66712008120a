#include "PackCommand.h"

#include <lzma.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "EntryName.h"
#include "FolderEncoder.h"
#include "FolderPlan.h"
#include "InstallerLayout.h"
#include "InstallerFile.h"
#include "PackError.h"
#include "PeImage.h"
#include "PeLayout.h"
#include "ProgressBar.h"
#include "SevenZipWriter.h"
#include "SourceTree.h"
#include "StubFile.h"

namespace {

std::string CanonicalPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return "";
  return resolved;
}

// Refuses an output that would land inside the tree being packed.
void CheckOutputOutsideSource(const std::string& source, const std::string& output) {
  const std::string root = CanonicalPath(source);
  const size_t slash = output.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : output.substr(0, slash + 1);
  const std::string parent = CanonicalPath(dir.empty() ? "/" : dir);
  if (parent.empty()) throw PackError("cannot write " + output + ": no such directory");
  if (root.empty()) return;  // the scan reports the missing source
  if (parent == root || parent.compare(0, root.size() + 1, root + "/") == 0) {
    throw PackError("the output " + output + " lies inside the source directory " + source);
  }
}

std::optional<uint64_t> SourceDateEpoch() {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  if (text == nullptr || *text == '\0') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long seconds = std::strtoll(text, &end, 10);
  if (*end != '\0' || errno != 0 || seconds < 0) {
    throw PackError("SOURCE_DATE_EPOCH must be a non-negative number of seconds");
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

void RunPack(const PackOptions& options, std::ostream& warnings) {
  CheckOutputOutsideSource(options.source, options.output);
  const StubFile stubFile = ReadStub(StubPath(options.stub));
  const std::vector<uint8_t> stub = ApplyIdentity(stubFile.bytes, options.identity, stubFile.path);
  if (options.identity.Any()) CheckStub(stub, stubFile.path + " with its new resources");
  const std::vector<SourceEntry> scanned = ScanSourceTree(options.source, SourceDateEpoch());

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
    hasSetup |= source.path == "setup.exe" && !source.isDirectory;
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
  const std::vector<PlannedFolder> plan = PlanFolders(planInput, options.solidSize);

  uint64_t totalBytes = 0;
  for (const PlanInput& input : planInput) totalBytes += input.size;
  ProgressBar progress(totalBytes, !options.quiet && totalBytes >= (4u << 20));

  InstallerFile out(options.output);
  out.Write(stub.data(), stub.size());
  const uint64_t archiveStart = stub.size() + 4;
  const std::vector<uint8_t> placeholder(4 + SevenZipWriter::kStartHeaderSize, 0);
  out.Write(placeholder.data(), placeholder.size());

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
    auto advance = [&progress](uint64_t n) { progress.Advance(n); };
    EncodedFolder encoded =
        planned.bcj2 ? FolderEncoder::EncodeBcj2(data, regions, options.lzma, advance)
                     : FolderEncoder::EncodeLzma(data, options.lzma, advance);
    encoded.record.numSubstreams = static_cast<uint32_t>(planned.files.size());
    for (const std::vector<uint8_t>& packed : encoded.packedStreams) {
      out.Write(packed.data(), packed.size());
      packSizes.push_back(packed.size());
      packedTotal += packed.size();
    }
    folders.push_back(std::move(encoded.record));
  }
  progress.Finish();

  const std::vector<uint8_t> header = SevenZipWriter::BuildHeader(folders, packSizes, entries);
  out.Write(header.data(), header.size());
  const auto startHeader = SevenZipWriter::BuildStartHeader(packedTotal, header);
  const uint64_t archiveSize = SevenZipWriter::kStartHeaderSize + packedTotal + header.size();
  if (archiveStart + archiveSize >= (uint64_t{1} << 32)) {
    throw PackError("the installer would reach 4 GiB, more than it can unpack");
  }
  const std::optional<size_t> checksumAt = PeChecksumOffset(stub);
  const bool windowsStub = checksumAt.has_value();
  uint64_t paddingSize = ScanPadding(stub.size(), archiveSize);
  // Checksum tools disagree on a last odd byte: a Windows installer ends on a whole word.
  if (windowsStub && (archiveStart + archiveSize + paddingSize) % 2 != 0) ++paddingSize;
  const std::vector<uint8_t> padding(paddingSize, 0);
  out.Write(padding.data(), padding.size());
  const uint8_t length[4] = {static_cast<uint8_t>(archiveSize),
                             static_cast<uint8_t>(archiveSize >> 8),
                             static_cast<uint8_t>(archiveSize >> 16),
                             static_cast<uint8_t>(archiveSize >> 24)};
  out.WriteAt(stub.size(), length, 4);
  out.WriteAt(archiveStart, startHeader.data(), startHeader.size());
  // A Windows stub's header checksum covers the whole installer, as signing tools compute it.
  if (windowsStub) {
    uint8_t checksum[4];
    PutLe32(checksum, out.PeChecksumOfContent(*checksumAt));
    out.WriteAt(*checksumAt, checksum, 4);
  }
  out.Commit();
}
