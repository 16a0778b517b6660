// Big trees of files made and removed by the host: hundreds of thousands of
// files through Windows calls would take minutes under Wine, the host takes seconds.
#pragma once

#include <windows.h>

#include <string>

#include "engine_common.h"

namespace ruzer::bench {

// The host's path of a Windows path; empty outside Wine.
inline std::string UnixPath(const std::wstring& path) {
  using Fn = char*(CDECL*)(LPCWSTR);
  auto fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!fn) return {};
  char* p = fn(path.c_str());
  if (!p) return {};
  std::string s = p;
  HeapFree(GetProcessHeap(), 0, p);
  return s;
}

inline std::wstring Widened(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// Runs a python script on the host in `work` with the arguments (host paths,
// ASCII); the script ends by making the file "done" in its first argument.
inline bool RunHostPython(const std::wstring& work, const std::string& script, const std::string& args) {
  CreateDirectoryW(work.c_str(), nullptr);
  const std::wstring scriptPath = work + L"\\make.py";
  if (!WriteFileOf(scriptPath, script)) return false;
  const std::string hostScript = UnixPath(scriptPath);
  if (hostScript.empty()) return false;
  std::wstring cmd = L"Z:\\usr\\bin\\python3 \"" + Widened(hostScript) + L"\" " + Widened(args);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  // Wine hands back no handle to wait on for a host program: look for its mark.
  for (int i = 0; i < 6000; ++i) {
    if (GetFileAttributesW((work + L"\\done").c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(100);
  }
  return false;
}

// Runs `body` (python) on the host with `root`, the host path of `work`, and
// `rel`, the mirror folder name `mirror` as a host path below a generation.
inline bool MakeTreeOnHost(const std::wstring& work, const std::wstring& mirror, const std::string& body) {
  const std::string root = UnixPath(work);
  if (root.empty()) return false;
  std::string rel;
  for (wchar_t c : mirror) rel += c == L'\\' ? '/' : static_cast<char>(c);
  const std::string script = "import os,sys\nroot,rel=sys.argv[1],sys.argv[2]\n" + body +
                             "open(os.path.join(root,'done'),'w').close()\n";
  return RunHostPython(work, script, "\"" + root + "\" \"" + rel + "\"");
}

// Removes `work` with the host's rm, or through Windows calls outside Wine.
inline void RemoveOnHost(const std::wstring& work) {
  const std::string host = UnixPath(work);
  std::wstring rm = L"Z:\\bin\\rm -rf \"" + Widened(host) + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (host.empty() || !CreateProcessW(nullptr, rm.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    RemoveAll(work);
}

}  // namespace ruzer::bench
