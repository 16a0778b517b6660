// Driver of the whole-process benchmark (bench/whole_process.sh). Runs inside
// the same Wine prefix as the programs it times, so every figure is a whole
// process started and ended by Wine itself:
//   whole_driver time <program> [args...]   start, wait for the end; prints seconds
//   whole_driver idle <program> [args...]   start, wait until its main window is
//                                           idle with a page shown; prints seconds,
//                                           then closes the window
//   whole_driver walk [folder...]           bare FindFirstFileW walk of the folders;
//                                           prints the number of files
//   whole_driver read [folder...]           bare ReadFile loop over every file below
//                                           the folders; prints the bytes read
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bare_walk.h"

namespace {

double Now() {
  LARGE_INTEGER c, f;
  QueryPerformanceCounter(&c);
  QueryPerformanceFrequency(&f);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

std::wstring Quote(const std::wstring& a) {
  if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos) return a;
  std::wstring q = L"\"";
  for (wchar_t c : a) {
    if (c == L'"') q += L'\\';
    q += c;
  }
  return q + L"\"";
}

bool Start(int argc, wchar_t** argv, PROCESS_INFORMATION& pi) {
  std::wstring line;
  for (int i = 2; i < argc; ++i) line += (i > 2 ? L" " : L"") + Quote(argv[i]);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fwprintf(stderr, L"cannot start %ls (%lu)\n", line.c_str(), GetLastError());
    return false;
  }
  return true;
}

struct Found {
  DWORD pid;
  HWND main = nullptr;
};

BOOL CALLBACK FindMain(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  if (pid == f->pid && wcscmp(cls, L"RuzerTfM") == 0) {
    f->main = w;
    return FALSE;
  }
  return TRUE;
}

// The first list view below the window: the source list.
BOOL CALLBACK FindList(HWND w, LPARAM lp) {
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  if (wcscmp(cls, WC_LISTVIEWW) == 0) {
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
  }
  return TRUE;
}

// Visible, titled by the start-up steps, rows of the first page in the list,
// and the window thread back in its message loop with nothing left to do.
bool Idle(HANDLE process, DWORD pid, HWND& main) {
  Found f{pid};
  EnumWindows(&FindMain, reinterpret_cast<LPARAM>(&f));
  if (!f.main || !IsWindowVisible(f.main)) return false;
  wchar_t title[256] = {};
  GetWindowTextW(f.main, title, 256);
  if (wcsncmp(title, L"Ruzer  - ", 9) != 0) return false;
  HWND list = nullptr;
  EnumChildWindows(f.main, &FindList, reinterpret_cast<LPARAM>(&list));
  if (!list || SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) <= 0) return false;
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutW(f.main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r)) return false;
  if (WaitForInputIdle(process, 0) != 0) return false;
  main = f.main;
  return true;
}

// Every file below `folder` read through in 64 KiB pieces, as any program would.
long long BareRead(const std::wstring& folder) {
  static std::vector<char> buffer(64 * 1024);
  long long n = 0;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  std::vector<std::wstring> subs, files;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0) subs.push_back(fd.cFileName);
    } else {
      files.push_back(fd.cFileName);
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  for (const auto& f : files) {
    HANDLE in = CreateFileW((folder + L"\\" + f).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) continue;
    DWORD got = 0;
    while (ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got) n += got;
    CloseHandle(in);
  }
  for (const auto& s : subs) n += BareRead(folder + L"\\" + s);
  return n;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: whole_driver time|idle|walk ...\n");
    return 2;
  }
  const std::wstring what = argv[1];
  if (what == L"walk") {
    long long n = 0;
    for (int i = 2; i < argc; ++i) n += ruzer::bench::BareWalk(argv[i]);
    std::printf("%lld\n", n);
    return 0;
  }
  if (what == L"read") {
    long long n = 0;
    for (int i = 2; i < argc; ++i) n += BareRead(argv[i]);
    std::printf("%lld\n", n);
    return 0;
  }
  if (argc < 3) return 2;
  PROCESS_INFORMATION pi{};
  const double t0 = Now();
  if (!Start(argc, argv, pi)) return 1;
  if (what == L"time") {
    WaitForSingleObject(pi.hProcess, INFINITE);
    const double t = Now() - t0;
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("%.3f %lu\n", t, code);
    return 0;
  }
  if (what == L"idle") {
    HWND main = nullptr;
    double t = -1;
    while (Now() - t0 < 60) {
      if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
      if (Idle(pi.hProcess, pi.dwProcessId, main)) {
        t = Now() - t0;
        break;
      }
      Sleep(2);
    }
    if (main) PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    std::printf("%.3f\n", t);
    return t < 0 ? 1 : 0;
  }
  return 2;
}
