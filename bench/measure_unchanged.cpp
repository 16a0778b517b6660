// Capacity measurement of an unchanged tree of 20,000 files in 1,000 folders
// against the backup run over the same tree, side by side in one process,
// both with the engine benchmarks' window-less view (a real message pump on a
// hidden window).
#include <algorithm>
#include <cstdlib>

#include "engine_common.h"
#include "measure/Vcheck.h"

using namespace ruzer;
using namespace ruzer::bench;

int main() {
  int kFolders = 1000;
  const int kFiles = 20, kReps = 5;
  // A smaller tree for a quick look: RUZER_BENCH_FOLDERS=100.
  if (const char* f = std::getenv("RUZER_BENCH_FOLDERS")) kFolders = std::max(25, std::atoi(f));
  const std::wstring work = TempRoot(L"measure"), src = work + L"\\src", dest = work + L"\\dest";
  MakeTree(src, kFolders, kFiles, 200);
  BenchApp b(work, src, dest);
  if (!b.Run()) {
    std::fprintf(stderr, "first run failed\n");
    return 1;
  }
  CapacityCheck check(b.app);
  double run = 1e9, measure = 1e9;
  bool ok = true;
  for (int r = 0; r < kReps; ++r) {
    // Each takes each place in the order as often as the other.
    for (int k = 0; k < 2; ++k) {
      if ((r + k) % 2 == 0) {
        const double t = Seconds([&] { ok = b.Run() && ok; });
        std::fprintf(stderr, "unchanged run %.2f s\n", t);
        run = std::min(run, t);
      } else {
        const double t = Seconds([&] {
          check.Reset();
          check.StartClick();
        });
        std::fprintf(stderr, "measurement %.2f s\n", t);
        measure = std::min(measure, t);
        ok = ok && check.fileCount() == static_cast<std::int64_t>(kFolders) * kFiles;
      }
    }
  }
  if (!ok || b.user.messages != 0) {
    std::fprintf(stderr, "a run failed or the measurement counted %lld files\n",
                 static_cast<long long>(check.fileCount()));
    return 1;
  }
  Row("capacity measurement, unchanged 20,000 files / 1,000 folders", Fmt("%.2f s", measure),
      Fmt("%.2f s unchanged backup run", run), Fmt("%.2fx", measure / run), "<= 1.2x");
  RemoveAll(work);
  return 0;
}
