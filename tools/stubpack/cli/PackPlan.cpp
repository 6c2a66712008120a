#include "cli/PackPlan.h"

#include <cerrno>
#include <cstdlib>

#include "base/PackError.h"
#include "installer/InstallerLayout.h"
#include "installer/OutputTarget.h"
#include "installer/StubFile.h"
#include "pack/SolidOrder.h"
#include "pe/PeImage.h"
#include "source/EntryName.h"
#include "source/WindowsNames.h"

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

// Two names that are one on Windows cannot both be unpacked there.
void RefuseWindowsNameClashes(const std::vector<SourceEntry>& scanned) {
  std::vector<NamedEntry> names;
  for (const SourceEntry& entry : scanned) names.push_back({entry.path, entry.isDirectory});
  const std::vector<NameClash> clashes = FindNameClashes(names);
  if (!clashes.empty()) {
    throw PackError("\"" + clashes.front().first + "\" and \"" + clashes.front().second +
                    "\" differ only in case; Windows cannot hold both");
  }
}

}  // namespace

PackPlan PlanPack(const PackOptions& options, std::ostream& warnings) {
  PackPlan plan;
  const std::string stubPath = StubPath(options.stub);
  plan.target = OutputTarget(options.output, options.source, stubPath);
  plan.stub = ApplyIdentity(ReadStubFile(stubPath).bytes, options.identity, stubPath);
  if (options.identity.Any()) {
    CheckScanGetsPast(plan.stub, stubPath + " with its new resources");
  }
  plan.scanned = ScanSourceTree(options.source, SourceDateEpoch());
  for (const SourceEntry& source : plan.scanned) ToArchiveName(source.path);  // refuses bad names
  RefuseWindowsNameClashes(plan.scanned);

  std::vector<PlanInput> planInput;
  std::vector<StreamedFile> streamed;
  bool hasSetup = false;
  for (size_t i = 0; i < plan.scanned.size(); ++i) {
    const SourceEntry& source = plan.scanned[i];
    hasSetup |= IsSetupProgramName(source.path) && !source.isDirectory;
    if (source.isDirectory || source.size == 0) {
      ArchiveEntry entry;
      entry.name = ToArchiveName(source.path);
      entry.isDirectory = source.isDirectory;
      entry.lastWriteTime = source.lastWriteTime;
      entry.attributes = WindowsAttributes(source.isDirectory, source.mode);
      plan.entries.push_back(entry);
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
  std::vector<std::string> paths;
  for (const StreamedFile& file : streamed) paths.push_back(plan.scanned[file.entry].path);
  std::vector<PlanInput> sortedInput;
  for (size_t index : SolidOrder(paths)) {
    sortedInput.push_back(std::move(planInput[index]));
    plan.streamed.push_back(std::move(streamed[index]));
  }
  plan.folders = PlanFolders(sortedInput, options.solidSize);
  for (const PlanInput& input : sortedInput) plan.streamedBytes += input.size;
  return plan;
}
