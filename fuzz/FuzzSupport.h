// What every fuzz target shares: the failure path returns to the fuzzer instead of ending the
// process, the stub's file lives in a scratch directory, and a run's memory is accounted for.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace fuzz {

// Live memory a run may hold. The stub is a 32-bit process (2 GiB of address space at most);
// a smaller figure keeps the fuzzer's RSS limit clear of ASan's shadow and quarantine.
constexpr size_t kMemoryBudget = size_t(1) << 30;

// Once per process: ExitProcess throws, boxes are quiet, the start-up initialisers have run,
// the scratch directory exists and the current directory is saved for FatalError.
void Initialise();
const std::string& ScratchDir();
// The bytes in front of every archive: a stub image that holds the altered signature, as the
// real stub does.
const std::string& StubPrefix();
// Writes bytes to name in the scratch directory and returns the path.
std::string WriteScratchFile(const std::string& name, const std::string& bytes);
// The stub's file: prefix, data, and zeros to the end of the scan block the data reaches.
std::string WriteStubFile(const uint8_t* data, size_t size);

// Starts the allocation accounting of one run.
void BeginRun();
// Runs body; true when it ended through the failure path (exit code 1), false when it
// returned. Any other exit code aborts.
bool EndsInFailure(const std::function<void()>& body);
// Ends the accounting after the harness has freed what it owns. After a failure the blocks
// the failure path left are freed (the real process would end here); after a normal end any
// block still live is a leak, and aborts.
void EndRun(bool failed);

}  // namespace fuzz
