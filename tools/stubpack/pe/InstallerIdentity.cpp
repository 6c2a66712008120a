#include "pe/InstallerIdentity.h"

#include <fstream>

#include "base/PackError.h"
#include "base/Utf16Text.h"
#include "format/SignatureScan.h"
#include "inspect/InstallerListing.h"
#include "inspect/ListingName.h"
#include "pe/IconFile.h"
#include "pe/InstallerOptionValues.h"
#include "pe/Manifest.h"
#include "pe/PeResourceWriter.h"

namespace {

const ResourceKey kManifestName = ResourceKey::Id(1);

// A text of the options for the terminal; the stub accepted it as UTF-8.
std::string Printable(const std::string& text) {
  return ListingName(Utf16FromUtf8(text).value_or(u""));
}

const char* ExitCodeText(ExitCodeMode mode) {
  return mode == ExitCodeMode::kSetup ? "setup" : "zero";
}

}  // namespace

bool IdentityOptions::AnyOption() const {
  return exitCode || !userInterface.empty() || !wait.empty() || !runPath.empty() ||
         !arguments.empty() || !title.empty();
}

bool IdentityOptions::Any() const {
  return !icon.empty() || !versionInfo.empty() || !executionLevel.empty() || AnyOption();
}

void IdentityOptions::AddVersionInfo(const std::string& keyValue) {
  const size_t equals = keyValue.find('=');
  const std::string key = keyValue.substr(0, equals);
  if (equals == std::string::npos || !IsVersionKey(key)) {
    throw PackError("--version-info takes KEY=VALUE with KEY one of ProductName, ProductVersion, "
                    "FileVersion, CompanyName, FileDescription, LegalCopyright, "
                    "OriginalFilename, InternalName, Comments, LegalTrademarks, PrivateBuild, "
                    "SpecialBuild; not \"" + keyValue + "\"");
  }
  const std::string value = keyValue.substr(equals + 1);
  if (key == "FileVersion" || key == "ProductVersion") ParseVersionNumber(value);
  for (auto& existing : versionInfo) {
    if (existing.first == key) {
      existing.second = value;
      return;
    }
  }
  versionInfo.emplace_back(key, value);
}

void IdentityOptions::SetExecutionLevel(const std::string& level) {
  if (!IsExecutionLevel(level)) {
    throw PackError("--execution-level takes asInvoker, highestAvailable or requireAdministrator");
  }
  executionLevel = level;
}

void IdentityOptions::SetExitCode(const std::string& mode) {
  if (mode != "zero" && mode != "setup") throw PackError("--exit-code takes zero or setup");
  exitCode = mode == "setup" ? ExitCodeMode::kSetup : ExitCodeMode::kZero;
}

std::vector<uint8_t> ApplyIdentity(const std::vector<uint8_t>& stub,
                                   const IdentityOptions& options, const std::string& stubPath) {
  if (!options.Any()) return stub;
  // The publisher's files first: their faults are reported before the stub's.
  const std::vector<IconImage> icons =
      options.icon.empty() ? std::vector<IconImage>() : ReadIconFile(options.icon);
  const std::vector<uint8_t> version = options.versionInfo.empty()
                                           ? std::vector<uint8_t>()
                                           : BuildVersionResource(options.versionInfo);
  const std::string what = "the stub " + stubPath;
  ResourceTable table = ReadResources(stub, ReadPeLayout(stub, what), what);
  if (!icons.empty()) SetIcons(table, icons);
  if (!version.empty()) {
    const ResourceKey type = ResourceKey::Id(kRtVersion);
    table.Replace({type, ResourceKey::Id(1), table.LanguageOf(type), 0, version});
  }
  if (!options.executionLevel.empty()) {
    const ResourceKey type = ResourceKey::Id(kRtManifest);
    const ResourceEntry* old = table.Find(type, kManifestName);
    const std::string manifest =
        old != nullptr ? WithExecutionLevel(std::string(old->data.begin(), old->data.end()),
                                            options.executionLevel)
                       : DefaultManifest(options.executionLevel);
    table.Replace({type, kManifestName, table.LanguageOf(type), 0,
                   std::vector<uint8_t>(manifest.begin(), manifest.end())});
  }
  if (options.AnyOption()) {
    InstallerOptions written;
    if (options.exitCode == ExitCodeMode::kSetup) written.flags |= kOptionExitWithSetupCode;
    if (options.userInterface == "none") written.flags |= kOptionNoUserInterface;
    if (options.wait == "all") written.flags |= kOptionWaitForAll;
    written.runPath = options.runPath.c_str();
    written.arguments = options.arguments.c_str();
    written.title = options.title.c_str();
    std::vector<uint8_t> bytes(WriteInstallerOptions(written, nullptr));
    WriteInstallerOptions(written, bytes.data());
    table.Replace({ResourceKey::Text(kOptionsResourceType), ResourceKey::Id(kOptionsResourceId), 0,
                   0, bytes});
  }
  return ReplaceResources(stub, table, what);
}

InstallerIdentity ReadIdentity(const std::string& installerPath) {
  InstallerIdentity identity;
  std::ifstream in(installerPath, std::ios::binary);
  std::vector<uint8_t> head(kScanReach);
  in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  if (head.size() < 2 || head[0] != 'M' || head[1] != 'Z') return identity;
  identity.windowsProgram = true;
  ResourceTable table;
  try {
    const PeLayout layout = ReadPeLayout(head, installerPath);
    if (layout.Directory(kResourceDirectory).size == 0) return identity;
    table = ReadResources(head, layout, installerPath);
  } catch (const PackError& error) {
    identity.unreadable = error.what();
    return identity;
  }
  identity.iconSizes = IconSizes(table);
  if (const ResourceEntry* version = table.Find(ResourceKey::Id(kRtVersion), ResourceKey::Id(1))) {
    identity.version = ReadVersionStrings(version->data);
  }
  if (const ResourceEntry* manifest = table.Find(ResourceKey::Id(kRtManifest), kManifestName)) {
    identity.executionLevel =
        ExecutionLevelOf(std::string(manifest->data.begin(), manifest->data.end()));
  }
  if (const ResourceEntry* options =
          table.Find(ResourceKey::Text(kOptionsResourceType), ResourceKey::Id(kOptionsResourceId))) {
    identity.hasOptions = true;
    InstallerOptions read;
    identity.optionsDamaged =
        !ReadInstallerOptions(options->data.data(), uint32_t(options->data.size()), read) ||
        !OptionTextsAreSound(read);
    if (identity.optionsDamaged) return identity;
    if (read.flags & kOptionExitWithSetupCode) identity.exitCode = ExitCodeMode::kSetup;
    identity.noUserInterface = read.flags & kOptionNoUserInterface;
    identity.waitForAll = read.flags & kOptionWaitForAll;
    identity.runPath = read.runPath;
    identity.arguments = read.arguments;
    identity.title = read.title;
  }
  return identity;
}

void PrintIdentity(const InstallerIdentity& identity, std::ostream& out) {
  if (!identity.windowsProgram) return;
  if (!identity.unreadable.empty()) {
    out << "Resources: unreadable (" << identity.unreadable << ")\n";
    return;
  }
  out << "Icon: ";
  for (size_t i = 0; i < identity.iconSizes.size(); ++i) {
    out << (i ? " " : "") << identity.iconSizes[i];
  }
  out << (identity.iconSizes.empty() ? "none\n" : "\n");
  for (const auto& s : identity.version) out << "Version " << s.first << ": " << s.second << "\n";
  out << "Execution level: "
      << (identity.executionLevel.empty() ? "none (no manifest)" : identity.executionLevel) << "\n";
  if (identity.optionsDamaged) {
    out << "Options: damaged (the stub refuses to run)\n";
    return;
  }
  const char* none = identity.hasOptions ? "" : " (no options resource)";
  out << "Exit code: " << ExitCodeText(identity.exitCode) << none << "\n";
  out << "User interface: " << (identity.noUserInterface ? "none" : "normal") << "\n";
  out << "Wait for: " << (identity.waitForAll ? "all" : "setup") << "\n";
  out << "Run: "
      << (identity.runPath.empty() ? std::string(kSetupProgramName) + " (default)"
                                   : Printable(identity.runPath))
      << "\n";
  out << "Arguments: " << Printable(identity.arguments) << "\n";
  out << "Title: "
      << (identity.title.empty() ? std::string(kDefaultTitle) + " (default)"
                                 : Printable(identity.title))
      << "\n";
}

void PrintIdentityJson(const InstallerIdentity& identity, std::ostream& out) {
  if (!identity.windowsProgram) {
    out << "null";
    return;
  }
  if (!identity.unreadable.empty()) {
    out << "{\"unreadable\":";
    JsonString(out, identity.unreadable);
    out << "}";
    return;
  }
  out << "{\"icons\":[";
  for (size_t i = 0; i < identity.iconSizes.size(); ++i) {
    out << (i ? "," : "");
    JsonString(out, identity.iconSizes[i]);
  }
  out << "],\"version\":{";
  for (size_t i = 0; i < identity.version.size(); ++i) {
    out << (i ? "," : "");
    JsonString(out, identity.version[i].first);
    out << ":";
    JsonString(out, identity.version[i].second);
  }
  out << "},\"executionLevel\":";
  if (identity.executionLevel.empty()) out << "null"; else JsonString(out, identity.executionLevel);
  out << ",\"optionsResource\":" << (identity.hasOptions ? "true" : "false");
  out << ",\"optionsDamaged\":" << (identity.optionsDamaged ? "true" : "false");
  if (!identity.optionsDamaged) {
    out << ",\"exitCode\":";
    JsonString(out, ExitCodeText(identity.exitCode));
    out << ",\"userInterface\":";
    JsonString(out, identity.noUserInterface ? "none" : "normal");
    out << ",\"wait\":";
    JsonString(out, identity.waitForAll ? "all" : "setup");
    out << ",\"run\":";
    JsonString(out, identity.runPath.empty() ? kSetupProgramName : identity.runPath);
    out << ",\"arguments\":";
    JsonString(out, identity.arguments);
    out << ",\"title\":";
    JsonString(out, identity.title.empty() ? kDefaultTitle : identity.title);
  }
  out << "}";
}
