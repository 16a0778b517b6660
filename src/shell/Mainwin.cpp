#include "shell/Mainwin.h"

#include <algorithm>
#include <cwctype>

#include "store/Spage.h"

namespace ruzer {

namespace {
// Pumping on every file of a large tree would cost more than the copy itself;
// a few times a tenth of a second keeps the window and F3 responsive.
constexpr std::uint64_t kPumpIntervalMs = 30;
}  // namespace

void StatusMessage(App& app, const std::wstring& text) { app.view.SetStatusText(text); }

void ShowFreeSpaceText(App& app, const std::wstring& text) { app.view.SetFreeSpaceText(text); }

void LetMessagesRun(App& app, bool force) {
  const std::uint64_t now = app.clock.TickMs();
  if (!force && now - app.lastPumpTick < kPumpIntervalMs) return;
  app.lastPumpTick = now;
  app.view.PumpMessages();
}

void SetBottomPanel(App& app, int mode) {
  app.errorListMode = (mode == 1);
  BottomPanelLayout l;
  if (mode == 0 || mode < 0 || mode > 3) {
    app.oldListShown = false;
    l.height = 1;
    app.bottomHeight = l.height;
    app.view.ApplyBottomPanel(l);
    return;
  }
  const int half = app.view.PagePanelHeight() / 2;
  if (mode == 3) {
    app.oldListShown = true;
    l.height = half;
    l.oldVisible = true;
    l.oldFills = true;
    app.bottomHeight = l.height;
    app.view.ApplyBottomPanel(l);
    return;
  }
  l.listGroupVisible = true;
  l.listGroupCaption = mode == 1 ? L"エラーリスト" : L"容量リスト";
  l.oldVisible = app.oldListShown;
  if (mode == 1) {
    // The bottom panel keeps its height when the old list is above the error list.
    l.height = app.oldListShown ? app.bottomHeight : 100;
    if (app.oldListShown) {
      l.oldHeight = l.height - 100;
      l.sepDownVisible = true;
    }
    l.errorListVisible = true;
  } else {
    l.height = half;
    if (app.oldListShown) {
      l.oldHeight = half / 2;
      l.sepDownVisible = true;
    }
    l.sizeListVisible = true;
  }
  app.bottomHeight = l.height;
  app.view.ApplyBottomPanel(l);
}

void ErrorListAdd(App& app, const std::wstring& line) {
  app.errorLines.push_back(line);
  app.view.ErrorListAdd(line);
}

void ErrorListClear(App& app) {
  app.errorLines.clear();
  app.view.ErrorListClear();
}

void SetBusyMode(App& app, bool on) {
  app.busy = on;
  if (on) {
    app.view.SetAbortVisible(true);
    app.view.SetMainMenusEnabled(false);
    app.view.SetToolbarEnabled(false);
    app.view.SetTabsEnabled(false);
    ErrorListClear(app);
    app.view.FocusAbort();
    return;
  }
  app.view.SetAbortVisible(false);
  app.view.SetMainMenusEnabled(true);
  app.view.SetToolbarEnabled(true);
  app.view.SetTabsEnabled(true);
  if (!app.errorLines.empty()) {
    // Longest line by characters; the first one of that length.
    const std::wstring* longest = &app.errorLines.front();
    for (const auto& l : app.errorLines)
      if (l.size() > longest->size()) longest = &l;
    app.view.ErrorListSetScrollWidth(*longest + L"  ");
  }
  app.AutoMode = false;
  app.view.SetSourceColumnTitle(L"保存元フォルダ");
  StatusMessage(app, L"");
}

void AbortCommand(App& app) {
  app.AbortRequested = true;
  if (app.busy) SetBusyMode(app, false);
}

void PageChanged(App& app, int index) {
  if (app.PageSwitchMuted) return;
  if (index < 0 || index >= static_cast<int>(app.pages.size())) return;
  app.activePage = index;
  StatusMessage(app, L"設定データ読み込み中...");
  app.view.ShowSourceRows(nullptr);
  AttachPagePanel(app);
  if (!app.PageLoading) LoadActivePage(app);
}

void TreeWidthChanged(App& app, int width) { WriteTreeWidth(app, width); }

int FitTreeWidth(int clientWidth, int treeWidth) {
  return clientWidth < treeWidth ? clientWidth - 20 : treeWidth;
}

int NextSizeSortKey(int key, int column) {
  const int k = column + 1;
  return (std::abs(key) == k && key >= 0) ? -k : k;
}

namespace {
long long CellNumber(const std::wstring& text, bool dropCommas) {
  std::wstring t;
  for (wchar_t c : text)
    if (!(dropCommas && c == L',')) t += c;
  try {
    size_t pos = 0;
    long long v = std::stoll(t, &pos);
    return pos == t.size() ? v : 0;
  } catch (...) {
    return 0;
  }
}
}  // namespace

int CompareSizeCells(const std::wstring& a, const std::wstring& b, int key) {
  if (a == b) return 0;
  const int column = std::abs(key) - 1;  // 0 caption, 1 comment, 2 No., 3 KB, 4 files
  int cmp;
  if (column == 2 || column == 4 || column == 3) {
    const long long x = CellNumber(a, column == 3), y = CellNumber(b, column == 3);
    cmp = x < y ? -1 : (x > y ? 1 : 0);
  } else {
    cmp = _wcsicmp(a.c_str(), b.c_str());
    cmp = cmp < 0 ? -1 : (cmp > 0 ? 1 : 0);
  }
  // Positive key: greater value first.
  return key > 0 ? -cmp : cmp;
}

}  // namespace ruzer
