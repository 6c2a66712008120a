#include "pe/Manifest.h"

#include "base/PackError.h"

namespace {

// Where the value of the level attribute of requestedExecutionLevel lies: [begin, end).
bool FindLevel(const std::string& manifest, size_t& begin, size_t& end) {
  const size_t element = manifest.find("requestedExecutionLevel");
  if (element == std::string::npos) return false;
  const size_t close = manifest.find('>', element);
  // The attribute "level", not "uiAccess" or a namespace's: blank before it.
  size_t attribute = element;
  do {
    attribute = manifest.find("level=", attribute + 1);
  } while (attribute != std::string::npos && attribute < close &&
           std::string(" \t\r\n").find(manifest[attribute - 1]) == std::string::npos);
  if (attribute == std::string::npos || attribute > close) return false;
  const size_t quote = attribute + 6;
  if (quote >= manifest.size() || (manifest[quote] != '"' && manifest[quote] != '\'')) {
    return false;
  }
  begin = quote + 1;
  end = manifest.find(manifest[quote], begin);
  return end != std::string::npos && end < close;
}

}  // namespace

bool IsExecutionLevel(const std::string& level) {
  return level == "asInvoker" || level == "highestAvailable" || level == "requireAdministrator";
}

std::string DefaultManifest(const std::string& level) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
         "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
         "    <security>\n"
         "      <requestedPrivileges>\n"
         "        <requestedExecutionLevel level=\"" + level + "\" uiAccess=\"false\"/>\n"
         "      </requestedPrivileges>\n"
         "    </security>\n"
         "  </trustInfo>\n"
         "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\n"
         "    <application>\n"
         "      <supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>\n"
         "      <supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>\n"
         "      <supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>\n"
         "      <supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>\n"
         "    </application>\n"
         "  </compatibility>\n"
         "  <dependency>\n"
         "    <dependentAssembly>\n"
         "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
         "version=\"6.0.0.0\" processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" "
         "language=\"*\"/>\n"
         "    </dependentAssembly>\n"
         "  </dependency>\n"
         "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
         "    <windowsSettings>\n"
         "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">"
         "true</dpiAware>\n"
         "      <activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">"
         "UTF-8</activeCodePage>\n"
         "      <longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
         "true</longPathAware>\n"
         "    </windowsSettings>\n"
         "  </application>\n"
         "</assembly>\n";
}

std::string WithExecutionLevel(const std::string& manifest, const std::string& level) {
  size_t begin = 0, end = 0;
  if (!FindLevel(manifest, begin, end)) {
    throw PackError("the stub's manifest names no requestedExecutionLevel to change");
  }
  return manifest.substr(0, begin) + level + manifest.substr(end);
}

std::string ExecutionLevelOf(const std::string& manifest) {
  size_t begin = 0, end = 0;
  return FindLevel(manifest, begin, end) ? manifest.substr(begin, end - begin) : "";
}
