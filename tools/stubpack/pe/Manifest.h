// The installer's application manifest (RT_MANIFEST 1) and the execution level it asks for.
#pragma once
#include <string>

// asInvoker, highestAvailable or requireAdministrator.
bool IsExecutionLevel(const std::string& level);
// The manifest stubkit's stub carries, asking for the given level: supported Windows versions,
// Common Controls 6, DPI awareness and the UTF-8 code page.
std::string DefaultManifest(const std::string& level);
// The manifest with its requestedExecutionLevel's level changed; throws PackError when the
// manifest has no such element.
std::string WithExecutionLevel(const std::string& manifest, const std::string& level);
// The level a manifest asks for; empty when it names none.
std::string ExecutionLevelOf(const std::string& manifest);
