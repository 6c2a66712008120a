// The publisher's choices for the stub's options resource as stubpack takes them on its command
// line and shows them: each value is judged by the rules the stub applies when it reads the
// resource (format/InstallerOptions.h), so that an installer stubpack writes is never one the
// stub calls damaged.
#pragma once
#include <string>

#include "format/InstallerOptions.h"

// What is wrong with a value, or "" when the stub takes it. RunPathProblem first turns '/' into
// '\' in path, the form the resource keeps.
std::string RunPathProblem(std::string& path);
std::string ArgumentsProblem(const std::string& text);
std::string TitleProblem(const std::string& text);

// Whether the texts of options read from a resource are ones the stub accepts (UTF-8, an
// allowed program path): the part of the stub's judgement the resource's layout leaves.
bool OptionTextsAreSound(const InstallerOptions& options);
