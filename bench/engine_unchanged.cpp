// Second run over an unchanged tree of 20,000 files in 1,000 folders, against
// a bare FindFirstFileW walk of the source and the mirror; and the share of
// that run spent letting window messages run.
#include <algorithm>

#include "engine_common.h"

using namespace ruzer;
using namespace ruzer::bench;

int main() {
  const int kFolders = 1000, kFiles = 20, kReps = 6;
  const std::wstring work = TempRoot(L"unchanged"), src = work + L"\\src", dest = work + L"\\dest";
  MakeTree(src, kFolders, kFiles, 200);
  BenchApp b(work, src, dest);
  if (!b.Run()) {
    std::fprintf(stderr, "first run failed\n");
    return 1;
  }
  double run = 1e9, walk = 1e9, never = 1e9, always = 1e9;
  long long pumps = 0, pumpsAlways = 0, listed = 0;
  bool ok = true;
  for (int r = 0; r < kReps; ++r) {
    // The mirror moves on to the newest generation with every run.
    const std::wstring mirror = dest + L"\\" + LatestGeneration(b.app, dest) + L"\\" + MirrorName(src);
    walk = std::min(walk, Seconds([&] { listed = BareWalk(src) + BareWalk(mirror); }));
    // Each kind of run takes each place in the order as often as the others.
    for (int k = 0; k < 3; ++k) {
      switch ((r + k) % 3) {
        case 0:
          b.clock.pump = BenchClock::Pump::Throttled;
          b.view.pumps = 0;
          run = std::min(run, Seconds([&] { ok = b.Run() && ok; }));
          pumps = b.view.pumps;
          break;
        case 1:
          b.clock.pump = BenchClock::Pump::Never;
          never = std::min(never, Seconds([&] { ok = b.Run() && ok; }));
          break;
        default:
          b.clock.pump = BenchClock::Pump::Always;
          b.view.pumps = 0;
          always = std::min(always, Seconds([&] { ok = b.Run() && ok; }));
          pumpsAlways = b.view.pumps;
      }
    }
  }
  if (!ok || listed != 2LL * kFolders * kFiles) {
    std::fprintf(stderr, "a run failed or the mirror is incomplete (%lld entries)\n", listed);
    return 1;
  }
  Row("(1) unchanged run, 20,000 files / 1,000 folders", Fmt("%.2f s", run), Fmt("%.2f s bare walk", walk),
      Fmt("%.2fx", run / walk), "<= 1.5x");
  // Run-to-run noise is larger than the pump's share; the cost of one pump
  // from the unthrottled runs gives the steadier figure.
  const double perPump = pumpsAlways > 0 ? (always - never) / static_cast<double>(pumpsAlways) : 0.0;
  Row("(3) pump share of the unchanged run",
      Fmt("%.2f %%", perPump * static_cast<double>(pumps) / run * 100.0) +
          Fmt(" (%.0f pumps", static_cast<double>(pumps)) + Fmt(" of %.0f us)", perPump * 1e6),
      Fmt("%.2f s without pumping", never) + Fmt(", %.2f s with", run), Fmt("%+.1f %% measured", (run - never) / never * 100.0),
      "< 5 %");
  Row("    (unthrottled: a pump after every file)", Fmt("%.2f s", always), Fmt("%.2f s without pumping", never),
      Fmt("%+.1f %%", (always - never) / never * 100.0), "-");
  RemoveAll(work);
  return 0;
}
