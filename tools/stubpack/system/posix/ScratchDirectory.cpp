#include "system/ScratchDirectory.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

std::string MakeScratchDirectory(const std::string& prefix) {
  std::error_code error;
  std::string path = (std::filesystem::temp_directory_path(error) / (prefix + "XXXXXX")).string();
  return !error && mkdtemp(path.data()) != nullptr ? path : "";
}
