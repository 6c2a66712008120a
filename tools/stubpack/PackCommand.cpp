#include "PackCommand.h"

#include <lzma.h>
#include <unistd.h>

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
#include "ProgressBar.h"
#include "SevenZipWriter.h"
#include "SolidOrder.h"
#include "SourceTree.h"

namespace {

uint32_t ParseInt(const std::string& flag, const std::string& text, uint32_t low,
                  uint32_t high) {
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high) {
    throw PackError(flag + " takes a number from " + std::to_string(low) + " to " +
                    std::to_string(high));
  }
  return static_cast<uint32_t>(value);
}

lzma_match_finder ParseMatchFinder(const std::string& text) {
  if (text == "hc3") return LZMA_MF_HC3;
  if (text == "hc4") return LZMA_MF_HC4;
  if (text == "bt2") return LZMA_MF_BT2;
  if (text == "bt3") return LZMA_MF_BT3;
  if (text == "bt4") return LZMA_MF_BT4;
  throw PackError("--mf takes hc3, hc4, bt2, bt3 or bt4");
}

std::string DefaultStubPath() {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
  if (n <= 0) throw PackError("cannot locate the default stub; give --stub");
  std::string dir(self, static_cast<size_t>(n));
  dir = dir.substr(0, dir.rfind('/') + 1);
  if (access((dir + "stub").c_str(), R_OK) == 0) return dir + "stub";
  if (access((dir + "stub.exe").c_str(), R_OK) == 0) return dir + "stub.exe";
  return dir + "stub";
}

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

const char* PackUsage() {
  return "usage: stubpack pack [options] SOURCE_DIR -o INSTALLER\n"
         "  -o, --output PATH    installer to write\n"
         "  --stub PATH          stub to put in front (default: stub beside stubpack)\n"
         "  --bcj2 auto|on|off   x86 branch conversion; auto: for x86 PE images (default)\n"
         "  --solid-size SIZE    most data per folder (default 64M)\n"
         "  --dict SIZE          preferred LZMA dictionary (default 64M)\n"
         "  --lc N --lp N --pb N LZMA literal context/position bits (default 3, 0, 2;\n"
         "                       x86 code 3, 0, 1)\n"
         "  --mf NAME            match finder: hc3 hc4 bt2 bt3 bt4 (default bt4)\n"
         "  --nice-len N         LZMA nice length 2..273 (default 273)\n"
         "  --depth N            match finder depth, 0 automatic (default 0)\n"
         "  --fast               LZMA fast mode instead of normal\n"
         "  --plain-header       file list uncompressed in the header, for other 7z readers\n"
         "                       (default: compressed when that saves 1 KiB or more)\n"
         "  -q, --quiet          no progress bar\n";
}

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

PackOptions ParsePackOptions(const std::vector<std::string>& args) {
  PackOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw PackError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "-o" || arg == "--output") {
      options.output = value();
    } else if (arg == "--stub") {
      options.stub = value();
    } else if (arg == "--bcj2") {
      const std::string& mode = value();
      if (mode == "auto") {
        options.bcj2 = Bcj2Mode::kAuto;
      } else if (mode == "on") {
        options.bcj2 = Bcj2Mode::kOn;
      } else if (mode == "off") {
        options.bcj2 = Bcj2Mode::kOff;
      } else {
        throw PackError("--bcj2 takes auto, on or off");
      }
    } else if (arg == "--solid-size") {
      options.solidSize = ParseSize(value());
      if (options.solidSize == 0) throw PackError("--solid-size must be positive");
    } else if (arg == "--dict") {
      const uint64_t dict = ParseSize(value());
      if (dict < kMinDictSize || dict > kMaxDictSize) {
        throw PackError("--dict takes a size from 4K to 256M");
      }
      options.lzma.dictSize = static_cast<uint32_t>(dict);
    } else if (arg == "--lc") {
      options.lzma.lc = ParseInt(arg, value(), 0, 4);
      options.literalBitsGiven = true;
    } else if (arg == "--lp") {
      options.lzma.lp = ParseInt(arg, value(), 0, 4);
      options.literalBitsGiven = true;
    } else if (arg == "--pb") {
      options.lzma.pb = ParseInt(arg, value(), 0, 4);
      options.literalBitsGiven = true;
    } else if (arg == "--mf") {
      options.lzma.matchFinder = ParseMatchFinder(value());
    } else if (arg == "--nice-len") {
      options.lzma.niceLen = ParseInt(arg, value(), 2, 273);
    } else if (arg == "--depth") {
      options.lzma.depth = ParseInt(arg, value(), 0, 1u << 20);
    } else if (arg == "--fast") {
      options.lzma.mode = LZMA_MODE_FAST;
    } else if (arg == "--plain-header") {
      options.headerForm = HeaderForm::kPlain;
    } else if (arg == "-q" || arg == "--quiet") {
      options.quiet = true;
    } else if (!arg.empty() && arg[0] == '-') {
      throw PackError("unknown option " + arg);
    } else if (options.source.empty()) {
      options.source = arg;
    } else {
      throw PackError("more than one source directory given");
    }
  }
  if (options.source.empty()) throw PackError("no source directory given");
  if (options.output.empty()) throw PackError("no output given (-o INSTALLER)");
  // liblzma's LZMA1 encoder, like the unpacker's decoder, takes lc + lp up to 4.
  if (options.lzma.lc + options.lzma.lp > 4) throw PackError("--lc plus --lp must be at most 4");
  while (options.source.size() > 1 && options.source.back() == '/') options.source.pop_back();
  return options;
}

void RunPack(const PackOptions& options, std::ostream& warnings) {
  CheckOutputOutsideSource(options.source, options.output);
  const std::vector<uint8_t> stub =
      LoadStub(options.stub.empty() ? DefaultStubPath() : options.stub);
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

  InstallerFile out(options.output);
  out.Write(stub.data(), stub.size());
  const uint64_t archiveStart = stub.size() + 4;
  const std::vector<uint8_t> placeholder(4 + SevenZipWriter::kStartHeaderSize, 0);
  out.Write(placeholder.data(), placeholder.size());

  const LzmaSettings x86Settings =
      options.literalBitsGiven ? options.lzma : X86MainSettings(options.lzma);
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
        planned.bcj2 ? FolderEncoder::EncodeBcj2(data, regions, x86Settings, advance)
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

  auto installerSize = [&stub](uint64_t archiveSize) {
    return stub.size() + 4 + archiveSize + ScanPadding(stub.size(), archiveSize);
  };
  const ArchiveTail tail = BuildArchiveTail(folders, packSizes, entries, packedTotal,
                                            options.headerForm, installerSize);
  out.Write(tail.additionalPacked.data(), tail.additionalPacked.size());
  out.Write(tail.header.data(), tail.header.size());
  const uint64_t nextHeaderOffset = packedTotal + tail.additionalPacked.size();
  const auto startHeader = SevenZipWriter::BuildStartHeader(nextHeaderOffset, tail.header);
  const uint64_t archiveSize =
      SevenZipWriter::kStartHeaderSize + nextHeaderOffset + tail.header.size();
  if (archiveStart + archiveSize >= (uint64_t{1} << 32)) {
    throw PackError("the installer would reach 4 GiB, more than it can unpack");
  }
  const std::vector<uint8_t> padding(ScanPadding(stub.size(), archiveSize), 0);
  out.Write(padding.data(), padding.size());
  const uint8_t length[4] = {static_cast<uint8_t>(archiveSize),
                             static_cast<uint8_t>(archiveSize >> 8),
                             static_cast<uint8_t>(archiveSize >> 16),
                             static_cast<uint8_t>(archiveSize >> 24)};
  out.WriteAt(stub.size(), length, 4);
  out.WriteAt(archiveStart, startHeader.data(), startHeader.size());
  out.Commit();
}
