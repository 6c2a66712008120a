// `stubpack list`, `check` and `extract`: they read an installer with the stub's own reader and
// extraction code, so what they report is what the stub would do.
#pragma once
#include <ostream>
#include <string>
#include <vector>

// Each returns the process exit code: 0 success, 1 the stub would refuse the installer,
// 2 bad usage or an unreadable file.
int RunList(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunExtract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The line that reports why the stub stops: "the stub would refuse this installer: REASON".
std::string RefusalText(const std::string& reason, const std::string& message,
                        const std::string& entry);
