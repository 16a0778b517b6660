#include "engine/Select.h"

#include <algorithm>
#include <unordered_set>

#include "base/services.h"
#include "base/text.h"

namespace ruzer {

namespace {

// Glob on texts already lower-cased: "*" any run, "?" one character.
bool GlobLower(const std::wstring& p, const std::wstring& s) {
  size_t pi = 0, si = 0, starP = std::wstring::npos, starS = 0;
  while (si < s.size()) {
    if (pi < p.size() && (p[pi] == L'?' || p[pi] == s[si])) {
      ++pi;
      ++si;
    } else if (pi < p.size() && p[pi] == L'*') {
      starP = pi++;
      starS = si;
    } else if (starP != std::wstring::npos) {
      pi = starP + 1;
      si = ++starS;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == L'*') ++pi;
  return pi == p.size();
}

// The directory search's extras: a trailing ".*" may also match the end of
// the name ("*.*" takes names without a dot), and a trailing "." after a
// wildcard takes names without any dot ("*." = files without extension).
bool MatchLower(const std::wstring& p, const std::wstring& s) {
  if (GlobLower(p, s)) return true;
  if (p.size() >= 2 && p.compare(p.size() - 2, 2, L".*") == 0)
    return GlobLower(p.substr(0, p.size() - 2), s);
  if (p.size() >= 2 && p.back() == L'.' && s.find(L'.') == std::wstring::npos)
    return GlobLower(p.substr(0, p.size() - 1), s);
  return false;
}

}  // namespace

bool IsWildcardPattern(const std::wstring& pattern) {
  return pattern.find_first_of(L"*?") != std::wstring::npos;
}

bool MatchPattern(const std::wstring& pattern, const std::wstring& name) {
  return MatchLower(LowerText(pattern), LowerText(name));
}

bool MatchLowered(const std::wstring& pattern, const std::wstring& name) { return MatchLower(pattern, name); }

std::vector<std::wstring> SelectFiles(const std::wstring& folder, const std::wstring& save,
                                      const std::wstring& exclude) {
  std::vector<DirEntry> files, folders;
  if (save.empty() || !ListFolder(folder, files, folders)) return {};
  return SelectFiles(files, save, exclude);
}

std::vector<std::wstring> SelectFiles(const std::vector<DirEntry>& files,
                                      const std::wstring& save, const std::wstring& exclude) {
  std::vector<std::wstring> result;
  if (save.empty() || files.empty()) return result;
  std::vector<std::wstring> lowNames;
  lowNames.reserve(files.size());
  for (const auto& f : files) lowNames.push_back(LowerText(f.name));

  std::vector<std::wstring> lowResult;
  std::unordered_set<std::wstring> taken;
  for (const auto& pattern : UnpackList(save)) {
    if (pattern.empty()) continue;
    std::wstring lp = LowerText(pattern);
    if (IsWildcardPattern(pattern)) {
      for (size_t i = 0; i < files.size(); ++i) {
        if (MatchLower(lp, lowNames[i]) && taken.insert(lowNames[i]).second) {
          result.push_back(files[i].name);
          lowResult.push_back(lowNames[i]);
        }
      }
    } else if (std::find(lowNames.begin(), lowNames.end(), lp) != lowNames.end()) {
      // A literal is taken as written, even when already in the list.
      result.push_back(pattern);
      lowResult.push_back(lp);
      taken.insert(lp);
    }
  }
  if (result.empty() || exclude.empty()) return result;

  std::unordered_set<std::wstring> excluded;
  for (const auto& pattern : UnpackList(exclude)) {
    std::wstring lp = LowerText(pattern);
    if (IsWildcardPattern(pattern)) {
      for (const auto& n : lowNames)
        if (MatchLower(lp, n)) excluded.insert(n);
    } else {
      excluded.insert(lp);
    }
  }
  std::vector<std::wstring> kept;
  kept.reserve(result.size());
  for (size_t i = 0; i < result.size(); ++i)
    if (!excluded.count(lowResult[i])) kept.push_back(std::move(result[i]));
  return kept;
}

bool IsSkippedAttributes(DWORD attributes) {
  return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsSkippedFolder(const std::wstring& path) {
  if (path.empty()) return true;
  return IsSkippedAttributes(GetFileAttributesW(LongPath(path).c_str()));
}

bool IsExcludedFolder(const std::vector<std::wstring>& excludedFull, const std::wstring& path) {
  if (excludedFull.empty()) return false;
  std::wstring lp = LowerText(path);
  for (const auto& e : excludedFull)
    if (LowerText(e) == lp) return true;
  return false;
}

bool IsExcludedFolder(const SourceRow& row, const std::wstring& path) {
  if (row.excluded.empty()) return false;
  std::vector<std::wstring> full;
  ExpandExcludedFolders(RowSourceFolder(row), row.excluded, full);
  return IsExcludedFolder(full, path);
}

std::wstring RowSourceFolder(const SourceRow& row) {
  std::wstring f = row.caption;
  if (!f.empty() && f.back() == L'\\') f.pop_back();
  return f;
}

bool RowIsWalked(const SourceRow& row) {
  return !row.save.empty() && PathKind(RowSourceFolder(row)) == 2;
}

bool RowIncludesSubfolders(const SourceRow& row) { return row.mark == L"o"; }

namespace {
bool WalkFolder(App& app, const std::wstring& folder, bool subfolders,
                const std::vector<std::wstring>& excluded, const FolderVisitor& visit) {
  LetMessagesRun(app);
  if (app.AbortRequested) return false;
  std::vector<DirEntry> files, folders;
  if (!ListFolder(folder, files, folders)) return true;
  if (!visit(folder, files, folders)) return false;
  if (!subfolders) return true;
  for (const auto& sub : folders) {
    std::wstring full = folder + L"\\" + sub.name;
    if (IsExcludedFolder(excluded, full) || IsSkippedAttributes(sub.attributes)) continue;
    if (!WalkFolder(app, full, subfolders, excluded, visit)) return false;
  }
  return true;
}
}  // namespace

bool WalkRowFolders(App& app, const SourceRow& row, const FolderVisitor& visit) {
  if (!RowIsWalked(row)) return true;
  std::wstring src = RowSourceFolder(row);
  if (IsSkippedFolder(src)) return true;
  std::vector<std::wstring> excluded;
  ExpandExcludedFolders(src, row.excluded, excluded);
  return WalkFolder(app, src, RowIncludesSubfolders(row), excluded, visit);
}

std::vector<std::wstring> SystemFilePaths() {
  std::wstring root = WindowsDriveRoot();
  return {LowerText(root + L"hiberfil.sys"), LowerText(root + L"pagefile.sys")};
}

bool IsSystemFile(const std::vector<std::wstring>& systemFiles, const std::wstring& srcDir,
                  const std::wstring& name) {
  if (srcDir.size() >= 4) return false;
  std::wstring full = LowerText(srcDir + name);
  return std::find(systemFiles.begin(), systemFiles.end(), full) != systemFiles.end();
}

}  // namespace ruzer
