#include "sources/Vfile.h"

#include "base/disk.h"
#include "base/handles.h"
#include "base/text.h"

namespace ruzer {

std::vector<std::wstring> ListPatternFiles(const std::wstring& dir, const std::wstring& mask) {
  std::vector<std::wstring> names;
  if (dir.empty()) return names;
  const std::wstring base = dir.back() == L'\\' ? dir : dir + L'\\';
  WIN32_FIND_DATAW fd;
  FindHandle h(FindFirstFileW((base + mask).c_str(), &fd));
  if (!h) return names;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (wcscmp(fd.cFileName, L".") == 0 || wcscmp(fd.cFileName, L"..") == 0) continue;
    names.push_back(fd.cFileName);
  } while (FindNextFileW(h.get(), &fd));
  return names;
}

void PatternRelist(PatternDialogState& s) {
  s.mask = s.text;
  s.files = ListPatternFiles(s.dir, s.mask);
}

void PatternAll(PatternDialogState& s) {
  s.text = L"*.*";
  PatternRelist(s);
}

void PatternPick(PatternDialogState& s, int index) {
  if (index >= 0 && index < static_cast<int>(s.files.size())) s.text = s.files[static_cast<size_t>(index)];
}

bool PatternOk(App& app, PatternDialogState& s) {
  const std::wstring t(Trim(s.text, L" "));
  if (t.empty()) {
    ShowMessage(app.user, MsgKind::Warning, L"ファイル名を入力してください");
    return false;
  }
  if (!CheckName(app, t, true)) return false;
  s.text = t;
  return true;
}

}  // namespace ruzer
