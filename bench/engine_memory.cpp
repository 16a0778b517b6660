// Peak working set of backups over 20,000 and then 200,000 files: the walk
// holds one folder's listing per level, so the tree's size must not show.
#include "engine_common.h"

using namespace ruzer;
using namespace ruzer::bench;

namespace {
bool TwoRuns(const std::wstring& work, const std::wstring& src, double& first, double& second) {
  BenchApp b(work, src, work + L"\\dest");
  bool ok = true;
  first = Seconds([&] { ok = b.Run(); });
  second = Seconds([&] { ok = b.Run() && ok; });
  return ok;
}
}  // namespace

int main() {
  const std::wstring work = TempRoot(L"memory");
  const double mb = 1048576.0;
  const std::size_t start = PeakWorkingSet();

  double f1, s1, f2, s2;
  MakeTree(work + L"\\small\\src", 1000, 20, 64);
  if (!TwoRuns(work + L"\\small", work + L"\\small\\src", f1, s1)) return 1;
  const std::size_t small = PeakWorkingSet();
  RemoveAll(work + L"\\small");

  MakeTree(work + L"\\big\\src", 2000, 100, 64);
  if (!TwoRuns(work + L"\\big", work + L"\\big\\src", f2, s2)) return 1;
  const std::size_t big = PeakWorkingSet();

  Row("(4) peak working set, 200,000 files / 2,000 folders", Fmt("%.1f MB", big / mb),
      Fmt("%.1f MB after 20,000 files", small / mb), Fmt("%.1f MB at start", start / mb), "bounded by one folder");
  Row("    200,000 files: first run / unchanged run", Fmt("%.1f s", f2), Fmt("%.1f s", s2), "-", "-");
  RemoveAll(work);
  return 0;
}
