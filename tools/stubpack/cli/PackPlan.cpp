#include "cli/PackPlan.h"

#include <cerrno>
#include <cstdlib>

#include "base/PackError.h"
#include "format/InstallerOptions.h"
#include "installer/InstallerLayout.h"
#include "installer/OutputTarget.h"
#include "installer/StubFile.h"
#include "pack/SolidOrder.h"
#include "pe/PeImage.h"
#include "source/EntryName.h"
#include "source/InstallWarnings.h"
#include "source/ProgramToRun.h"
#include "source/ScannedFile.h"
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
void AddWindowsNameClashes(const std::vector<NamedEntry>& names,
                           std::vector<std::string>& problems) {
  for (const NameClash& clash : FindNameClashes(names)) {
    problems.push_back("\"" + clash.first + "\" and \"" + clash.second +
                       "\" differ only in case; Windows cannot hold both");
  }
}

// An installer without the program it runs unpacks and does nothing: rarely what is meant.
void AddMissingProgram(const std::vector<NamedEntry>& names, const std::string& program,
                       const std::string& source, std::vector<std::string>& problems) {
  const ProgramSearch search = FindProgramToRun(names, program);
  if (search.found) return;
  const char* where = program == kSetupProgramName ? " at its top" : "";
  problems.push_back(source + " has no " + program + where + ", which the installer runs " +
                     "after unpacking; " +
                     (search.nearest.empty() ? "there is none below it either"
                                             : "the nearest is " + source + "/" + search.nearest) +
                     " (--allow-no-setup packs an installer that unpacks and runs nothing)");
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

}  // namespace

PackPlan PlanPack(const PackOptions& options, std::ostream& warnings) {
  PackPlan plan;
  const std::string stubPath = StubPath(options.stub);
  plan.target = OutputTarget(options.output, options.source, stubPath);
  plan.stub = ApplyIdentity(ReadStubFile(stubPath).bytes, options.identity, stubPath);
  if (options.identity.Any()) {
    CheckScanGetsPast(plan.stub, stubPath + " with its new resources");
  }
  std::vector<std::string> problems;
  plan.scanned = ScanSourceTree(options.source, SourceDateEpoch(), problems);
  std::vector<NamedEntry> names;
  for (const SourceEntry& entry : plan.scanned) names.push_back({entry.path, entry.isDirectory});
  AddNameProblems(plan.scanned, problems);
  AddWindowsNameClashes(names, problems);
  // The program the installer runs: --run's path, or setup.exe at the top; in any case.
  const std::string program =
      options.identity.runPath.empty() ? kSetupProgramName : options.identity.runPath;
  if (!options.allowNoSetup) AddMissingProgram(names, program, options.source, problems);
  RefuseTreeProblems(problems, options.source, warnings);
  plan.warnings = InstallWarnings(names, options.tempPathLength,
                                  [](const std::string& name) { return "\"" + name + "\""; });
  for (const std::string& warning : plan.warnings)
    warnings << "stubpack: warning: " << warning << "\n";

  std::vector<PlanInput> planInput;
  std::vector<StreamedFile> streamed;
  for (size_t i = 0; i < plan.scanned.size(); ++i) {
    const SourceEntry& source = plan.scanned[i];
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
      const PeImageInfo pe = InspectPeFile(ScannedFile(source).File());
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
