#include "base/progress.h"

#include <algorithm>

#include "base/text.h"

namespace ruzer {

namespace {

// The counted items or bytes beyond the total: the bar stays short of full.
constexpr int kNearlyFull = 990;

double Fraction(const App::Progress& p) {
  if (p.marquee || p.totalItems == 0) return 0;
  const double items = static_cast<double>(p.items) / static_cast<double>(p.totalItems);
  if (p.totalBytes == 0) return items;
  // A first backup's time goes with the bytes, an unchanged run's with the files.
  const double bytes = static_cast<double>(p.bytes) / static_cast<double>(p.totalBytes);
  return (items + bytes) / 2;
}

bool BeyondTotal(const App::Progress& p) {
  return !p.marquee && (p.items > p.totalItems || (p.totalBytes > 0 && p.bytes > p.totalBytes));
}

void Show(App& app, std::uint64_t now) {
  App::Progress& p = app.progress;
  p.shownMs = now;
  ProgressView v;
  v.visible = true;
  v.marquee = p.marquee;
  v.permille = ProgressPermille(p);
  v.taskbar = p.marquee ? TaskbarProgress::Indeterminate : TaskbarProgress::Normal;
  v.text = ProgressText(p, now);
  if (!(v == p.shown)) {
    p.shown = v;
    app.view.SetProgress(v);
  }
}

}  // namespace

int ProgressPermille(const App::Progress& p) {
  if (BeyondTotal(p)) return kNearlyFull;
  return std::min(kNearlyFull, static_cast<int>(Fraction(p) * 1000));
}

std::wstring ProgressText(const App::Progress& p, std::uint64_t nowMs) {
  const std::wstring count = GroupedNumber(p.items);
  if (p.marquee) return count + L" " + p.unit;
  if (BeyondTotal(p)) return count + L" " + p.unit + L"（前回より多い）";
  std::wstring text = count + L" / " + GroupedNumber(p.totalItems) + L" " + p.unit;
  const std::uint64_t elapsed = nowMs - p.startMs;
  const double f = Fraction(p);
  if (elapsed < kEstimateAfterMs || f <= 0) return text;
  const double left = static_cast<double>(elapsed) * (1 - f) / f;
  if (left < 60000) return text + L"　残り 1 分未満";
  return text + L"　残り約 " + std::to_wstring(static_cast<long long>(left / 60000 + 0.5)) + L" 分";
}

void ProgressStart(App& app, std::uint64_t totalItems, std::uint64_t totalBytes, const std::wstring& unit) {
  App::Progress& p = app.progress;
  p = App::Progress{};
  p.active = true;
  p.totalItems = totalItems;
  p.totalBytes = totalItems ? totalBytes : 0;
  p.marquee = totalItems == 0;
  p.unit = unit;
  p.startMs = app.clock.TickMs();
  Show(app, p.startMs);
}

void ProgressAdd(App& app, std::uint64_t items, std::uint64_t bytes) {
  App::Progress& p = app.progress;
  if (!p.active) return;
  p.items += items;
  p.bytes += bytes;
  const std::uint64_t now = app.clock.TickMs();
  if (now - p.shownMs >= kProgressIntervalMs) Show(app, now);
}

void ProgressFinish(App& app) {
  App::Progress& p = app.progress;
  if (!p.active) return;
  p.shownMs = app.clock.TickMs();
  ProgressView v = p.shown;
  v.visible = true;
  v.marquee = false;
  v.permille = 1000;
  v.taskbar = TaskbarProgress::Normal;
  p.shown = v;
  app.view.SetProgress(v);
}

void ProgressEnd(App& app, bool failed) {
  App::Progress& p = app.progress;
  const bool wasShown = p.active || p.shown.visible;
  p.active = false;
  if (!wasShown && !failed) return;
  ProgressView v;
  if (failed) {
    v.taskbar = TaskbarProgress::Error;
    v.permille = p.shown.marquee ? 1000 : std::max(p.shown.permille, 1);
  }
  p.shown = v;
  app.view.SetProgress(v);
}

}  // namespace ruzer
