// Opens archives whose headers list 10,000 to 100,000 entries (one folder, names, times and
// attributes for each) and reports the time per entry: it stays flat when parsing is linear.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "archive/Archive.h"
#include "archive/ArchiveSignature.h"
#include "decode/FolderDecoder.h"
#include "fixtures/HeaderBuilder.h"
#include "support/InputFile.h"

using namespace fixture;

namespace {

// Every fourth entry is a directory; the others have a stream of a few bytes.
Bytes ManyEntries(int count) {
  std::vector<Entry> entries;
  std::vector<uint32_t> sizes;
  for (int i = 0; i < count; ++i) {
    Entry e;
    std::string name = "dir" + std::to_string(i / 100) + "\\file-" + std::to_string(i) + ".dat";
    e.name.assign(name.begin(), name.end());
    e.hasStream = i % 4 != 0;
    e.lastWrite = 132000000000000000ull + uint64_t(i);
    e.attributes = e.hasStream ? 0x20 : 0x10;
    entries.push_back(e);
    if (e.hasStream) sizes.push_back(uint32_t(1 + i % 50));
  }
  return ArchiveBytes(SimpleHeader(entries, sizes), Bytes(64, 0));
}

struct OpenedFile {
  std::unique_ptr<TempFile> temp;
  InputFile file;
};

// One file per size for the whole run: InputFile keeps its handle open by design.
InputFile& FileFor(int count) {
  static std::map<int, std::unique_ptr<OpenedFile>> files;
  std::unique_ptr<OpenedFile>& slot = files[count];
  if (!slot) {
    slot.reset(new OpenedFile());
    slot->temp.reset(new TempFile(ManyEntries(count)));
    slot->file.Open(WideString::FromAnsi(slot->temp->path().c_str()));
  }
  return slot->file;
}

void BM_OpenArchive(benchmark::State& state) {
  CompleteArchiveSignature();
  int count = int(state.range(0));
  InputFile& file = FileFor(count);
  for (auto _ : state) {
    Archive archive;
    file.Seek(0, FILE_BEGIN);
    OpenArchive(archive, file, 1 << 20);
    benchmark::DoNotOptimize(archive.Database.FileToFolder.Count());
  }
  state.SetComplexityN(count);
  state.counters["ns_per_entry"] = benchmark::Counter(
      double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_OpenArchive)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(50000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
