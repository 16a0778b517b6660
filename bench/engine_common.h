// Shared parts of the engine benchmarks: an App without a window (the pump
// still runs a real message loop on a hidden window), trees of files, timing,
// and the table row every engine benchmark prints.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/ui.h"
#include "bare_walk.h"
#include "bench_common.h"
#include "engine/Sbakup.h"
#include "engine/Sdskio.h"

namespace ruzer::bench {

// A view that shows nothing but lets window messages run like the real one.
class PumpingView : public NullView {
 public:
  long long pumps = 0;
  HWND hidden = nullptr;
  PumpingView() {
    hidden = CreateWindowExW(0, L"STATIC", L"bench", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
  }
  ~PumpingView() override {
    if (hidden) DestroyWindow(hidden);
  }
  long long errorLines = 0;  // page headers not counted
  void ErrorListAdd(const std::wstring& line) override {
    if (!line.empty() && line[0] != L'{') ++errorLines;
  }
  void PumpMessages() override {
    ++pumps;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
};

// Real time; the pump can be made never due, or due at every call.
class BenchClock : public IClock {
 public:
  enum class Pump { Throttled, Never, Always } pump = Pump::Throttled;
  SYSTEMTIME Now() override {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return st;
  }
  void Sleep(int) override {}
  std::uint64_t TickMs() override {
    switch (pump) {
      case Pump::Never: return 1ull << 62;  // after the first pump nothing is ever due
      case Pump::Always: return always_ += 1000;
      default: return GetTickCount64();
    }
  }

 private:
  std::uint64_t always_ = 0;
};

class AcceptMemo : public IMemoDialog {
 public:
  bool Show(std::wstring& memo) override {
    memo.clear();
    return true;
  }
};

inline std::wstring TempRoot(const std::wstring& name) {
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  std::wstring p = tmp;
  if (!p.empty() && p.back() == L'\\') p.pop_back();
  return p + L"\\ruzer-bench-" + name + L"-" + std::to_wstring(GetCurrentProcessId());
}

inline void MakeDirs(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return;
  size_t slash = path.rfind(L'\\');
  if (slash != std::wstring::npos) MakeDirs(path.substr(0, slash));
  CreateDirectoryW(path.c_str(), nullptr);
}

inline bool WriteFileOf(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD w = 0;
  bool ok = bytes.empty() || (WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &w, nullptr) && w == bytes.size());
  CloseHandle(h);
  return ok;
}

// `folders` leaf folders of `files` files each, in groups of 25:
// root\g000\f00\file0000.dat ... Every file holds `size` bytes.
inline void MakeTree(const std::wstring& root, int folders, int files, size_t size) {
  std::string data(size, 'x');
  for (int f = 0; f < folders; ++f) {
    wchar_t rel[64];
    swprintf(rel, 64, L"\\g%03d\\f%02d", f / 25, f % 25);
    const std::wstring dir = root + rel;
    MakeDirs(dir);
    for (int i = 0; i < files; ++i) {
      wchar_t name[32];
      swprintf(name, 32, L"\\file%04d.dat", i);
      data[0] = static_cast<char>('a' + (f + i) % 26);
      WriteFileOf(dir + name, data);
    }
  }
}

inline double Seconds(const std::function<void()>& f) {
  LARGE_INTEGER a, b, freq;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&a);
  f();
  QueryPerformanceCounter(&b);
  return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

// One page "Bench" with one row over `source` (sub-folders on) into `dest`.
struct BenchApp {
  QuietUser user;
  PumpingView view;
  BenchClock clock;
  AcceptMemo memo;
  App app{user, view, clock};

  BenchApp(const std::wstring& work, const std::wstring& source, const std::wstring& dest) {
    MakeDirs(work + L"\\set");
    MakeDirs(dest);
    app.memoDialog = &memo;
    app.FileSetFolder = work + L"\\set\\";
    app.IndexFileName = L"BENCH.IDX";
    app.pages = {L"Bench"};
    app.CurrentPageName = L"Bench";
    app.PageIndexTable = {IndexRow{L"No.", L"設定ページ", L"バックアップ先", L"ボリューム名", L"最新バックアップ日"},
                          IndexRow{L"1", L"Bench", dest, L"", L""}};
    app.env.tamdir = dest;
    SourceRow row;
    row.caption = source;
    row.no = L"1";
    row.save = L"*.*";
    row.mark = L"o";
    app.rows = {row};
    // The page file the run copies into each generation.
    std::string page = "\xFF\xFE";
    for (const std::wstring& line :
         {std::wstring(L"[Ruzer]"), std::wstring(L"Vers=6.00"), L"Path=" + dest, std::wstring(L"Bday=15"),
          std::wstring(L"Cont=1"), std::wstring(L"[Folder00001]"), L"Sorc=" + source, std::wstring(L"Wfil=*.*"),
          std::wstring(L"Mark=o")}) {
      std::wstring l = line + L"\r\n";
      page.append(reinterpret_cast<const char*>(l.data()), l.size() * 2);
    }
    WriteFileOf(app.FileSetFolder + L"Bench.PAG", page);
  }
  // One whole run; false when it did not end normally.
  bool Run() {
    RunBackup(app);
    return !app.BackupFailed && !app.AbortRequested && user.messages == 0 && view.errorLines == 0;
  }
};

inline std::size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
  return pmc.PeakWorkingSetSize;
}

inline void Row(const char* name, const std::string& measured, const std::string& baseline,
                const std::string& ratio, const char* target) {
  std::printf("| %s | %s | %s | %s | %s |\n", name, measured.c_str(), baseline.c_str(), ratio.c_str(), target);
  std::fflush(stdout);
}

inline std::string Fmt(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

inline void RemoveAll(const std::wstring& path) {
  QuietUser u;
  PumpingView v;
  BenchClock c;
  App a{u, v, c};
  DeleteFolderTree(a, path);
}

}  // namespace ruzer::bench
