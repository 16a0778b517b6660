#include "restore/Vfind.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "base/services.h"
#include "base/text.h"
#include "engine/Sbakini.h"
#include "engine/Sbakup.h"
#include "engine/Sdskio.h"
#include "engine/Select.h"
#include "restore/Vrest.h"
#include "restore/Vvrfy.h"

namespace ruzer {

namespace {

// Unreadable places named in the box after a search; the rest are counted.
constexpr size_t kUnreadableShown = 5;

enum Answer : int { kOverwrite, kKeepBoth, kSkip };

std::wstring Trimmed(const std::wstring& s) { return std::wstring(Trim(s, kWideBlanks)); }

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  if (!folder.empty() && folder.back() == L'\\') return folder + name;
  return folder + L"\\" + name;
}

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The folder itself or below it, letter case ignored.
bool SameOrInside(const std::wstring& folder, const std::wstring& path) {
  return SameFolderText(folder, path) || IsInsideFolder(folder, path);
}

// A typed folder as a full path; a drive root keeps its backslash ("D:\").
std::wstring FullFolder(const std::wstring& text) {
  std::wstring f = NormalizedSearchFolder(text);
  if (f.size() == 2 && f[1] == L':') f += L'\\';
  return f;
}


std::wstring TimeText(const FILETIME& t) { return FormatCellTime(CellTimeOfFile(t)); }

std::wstring NowText(NowState s) {
  switch (s) {
    case NowState::Missing: return L"なし";
    case NowState::Same: return L"同じ";
    case NowState::Changed: return L"別の版";
  }
  return {};
}

// The file at the source now, against a stored version: the same version is
// the same size and a time less than two seconds away, as the backup decides.
NowState NowOf(const FoundVersion& v) {
  DirEntry e;
  if (!LookupEntry(JoinPath(v.folder, v.name), e) || (e.attributes & FILE_ATTRIBUTE_DIRECTORY))
    return NowState::Missing;
  return e.size == v.size && SameFileTime(e.lastWrite, v.lastWrite) ? NowState::Same : NowState::Changed;
}

// A name in `folder` that nothing uses yet: the name itself (when `plain`),
// then "name (yymmddX).ext", then "name (yymmddX 2).ext" and so on.
std::wstring UnusedName(const std::wstring& folder, const std::wstring& name, const std::wstring& generation,
                        bool plain) {
  if (plain && PathKind(JoinPath(folder, name)) == 0) return name;
  std::wstring candidate = NameWithGeneration(name, generation);
  for (int k = 2; PathKind(JoinPath(folder, candidate)) != 0; ++k)
    candidate = NameWithGeneration(name, generation + L" " + std::to_wstring(k));
  return candidate;
}

// ---------------------------------------------------------------- the walk

// Walks the mirrors of one generation folder: every file whose source folder
// lies in `root` (empty: everywhere) goes to `onFile` with the folder it is
// stored in and its source folder. Lets messages run; stops on AbortRequested.
class MirrorWalk {
 public:
  using OnFile = std::function<void(const std::wstring& dir, const std::wstring& source, const WIN32_FIND_DATAW& f)>;
  MirrorWalk(App& app, const std::wstring& root, OnFile onFile) : app_(app), root_(root), onFile_(std::move(onFile)) {}

  void Generation(const std::wstring& folder) {
    std::vector<std::pair<std::wstring, std::wstring>> mirrors;  // folder name, source folder
    const bool listed = ForEachListed(folder, [&](const WIN32_FIND_DATAW& f) {
      // Links are never followed: they could lead anywhere, also out of the backup.
      if ((f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(f.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        std::wstring source = SourceOfMirror(f.cFileName);
        if (!source.empty()) mirrors.emplace_back(f.cFileName, std::move(source));
      }
      return Pump();
    });
    if (!listed) {
      unreadable.push_back(folder);
      return;
    }
    for (const auto& [name, source] : mirrors) {
      if (aborted) return;
      Enter(folder + L"\\" + name, source, false);
    }
  }

  std::vector<std::wstring> unreadable;
  bool aborted = false;

 private:
  bool Pump() {
    LetMessagesRun(app_);
    aborted = app_.AbortRequested;
    return !aborted;
  }

  // A folder below the generation whose source folder is `source`: walked
  // when it lies in the root, or above it on the way there.
  void Enter(const std::wstring& dir, const std::wstring& source, bool inside) {
    if (!inside) {
      inside = root_.empty() || SameOrInside(root_, source);
      if (!inside && !IsInsideFolder(source, root_)) return;
    }
    Walk(dir, source, inside);
  }

  void Walk(const std::wstring& dir, const std::wstring& source, bool inside) {
    std::vector<std::wstring> subs;
    const bool listed = ForEachListed(dir, [&](const WIN32_FIND_DATAW& f) {
      if (f.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // never followed, as above
      } else if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (wcscmp(f.cFileName, L".") != 0 && wcscmp(f.cFileName, L"..") != 0) subs.emplace_back(f.cFileName);
      } else if (inside) {
        onFile_(dir, source, f);
      }
      return Pump();
    });
    if (!listed) {
      unreadable.push_back(dir);
      return;
    }
    for (const auto& sub : subs) {
      if (aborted) return;
      Enter(dir + L"\\" + sub, JoinPath(source, sub), inside);
    }
  }

  App& app_;
  const std::wstring& root_;
  OnFile onFile_;
};

void WarnUnreadable(App& app, const std::vector<std::wstring>& unreadable) {
  if (unreadable.empty()) return;
  std::wstring text = L"読めないフォルダがありました．次の場所は検索していません．";
  for (size_t i = 0; i < unreadable.size() && i < kUnreadableShown; ++i) text += L"\r\n<" + unreadable[i] + L">";
  if (unreadable.size() > kUnreadableShown)
    text += L"\r\nほか " + GroupedNumber(unreadable.size() - kUnreadableShown) + L" か所";
  ShowMessage(app.user, MsgKind::Warning, text);
}

// ---------------------------------------------------------------- sorting

int CompareText(const std::wstring& a, const std::wstring& b) {
  const int r = CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                                b.c_str(), static_cast<int>(b.size()), nullptr, nullptr, 0);
  return r == 0 ? a.compare(b) : r - CSTR_EQUAL;
}

int CompareTimes(const FILETIME& a, const FILETIME& b) { return CompareFileTime(&a, &b); }

// Missing files first: a lost file is what the user came for.
int NowRank(NowState s) { return s == NowState::Missing ? 0 : s == NowState::Changed ? 1 : 2; }

// Many versions share a folder: each folder is compared with the others once,
// and the versions by their folder's rank (equal folders, equal ranks).
std::vector<int> FolderRanks(const std::vector<FoundVersion>& hits) {
  std::unordered_map<std::wstring, int> index;
  std::vector<const std::wstring*> folders;
  std::vector<int> of(hits.size());
  for (size_t i = 0; i < hits.size(); ++i) {
    const auto [it, added] = index.emplace(hits[i].folder, static_cast<int>(folders.size()));
    if (added) folders.push_back(&it->first);
    of[i] = it->second;
  }
  std::vector<int> sorted(folders.size());
  for (size_t i = 0; i < sorted.size(); ++i) sorted[i] = static_cast<int>(i);
  std::sort(sorted.begin(), sorted.end(), [&](int x, int y) { return CompareText(*folders[x], *folders[y]) < 0; });
  std::vector<int> rank(folders.size());
  for (size_t i = 1; i < sorted.size(); ++i)
    rank[sorted[i]] = rank[sorted[i - 1]] + (CompareText(*folders[sorted[i - 1]], *folders[sorted[i]]) < 0 ? 1 : 0);
  for (int& f : of) f = rank[f];
  return of;
}

int CompareColumn(const FindState& st, const FoundVersion& a, const FoundVersion& b, int column, int folderOrder) {
  switch (column) {
    case kColName: return CompareText(a.name, b.name);
    case kColFolder: return folderOrder;
    case kColGeneration: return a.generation - b.generation;
    case kColTime: return CompareTimes(a.lastWrite, b.lastWrite);
    case kColSize: return a.size < b.size ? -1 : a.size > b.size ? 1 : 0;
    case kColNow: return NowRank(a.now) - NowRank(b.now);
    case kColMemo: return CompareText(st.memos[a.generation], st.memos[b.generation]);
  }
  return 0;
}

// Newest, largest first on the first click; texts and generations in their order.
bool DescendingFirst(int column) { return column == kColTime || column == kColSize; }

void SortRows(FindState& st) {
  const std::vector<int> folderRank = FolderRanks(st.hits);
  std::stable_sort(st.order.begin(), st.order.end(), [&](int x, int y) {
    const FoundVersion& a = st.hits[x];
    const FoundVersion& b = st.hits[y];
    const int folderOrder = folderRank[x] - folderRank[y];
    int c = CompareColumn(st, a, b, st.sortColumn, folderOrder);
    if (c != 0) return st.sortDescending ? c > 0 : c < 0;
    // Ties: newest generation, then folder and name.
    if ((c = a.generation - b.generation) != 0) return c < 0;
    if ((c = folderOrder) != 0) return c < 0;
    return CompareText(a.name, b.name) < 0;
  });
}

// ---------------------------------------------------------------- copying

struct CopyRun {
  CopyRun(App& app, FindState& st, IFindView& view) : app_(app), st_(st), view_(view) {
    app.AbortRequested = false;
    st.copying = true;
    view.SetRunning(true);
  }
  ~CopyRun() {
    st_.copying = false;
    view_.SetRunning(false);
  }
  // After each file: messages run; false when the user stopped the copying.
  bool Next() {
    view_.RowTextsChanged();
    LetMessagesRun(app_);
    return !app_.AbortRequested;
  }

  App& app_;
  FindState& st_;
  IFindView& view_;
};

void Tell(FindState& st, IFindView& view, const std::wstring& text) {
  st.status = text;
  view.SetStatus(text);
}

// The selected versions; empty while something runs, or (with a status) when nothing is selected.
std::vector<FoundVersion*> Selected(FindState& st, IFindView& view) {
  std::vector<FoundVersion*> out;
  if (st.searching || st.copying) return out;
  for (int row : view.SelectedRows())
    if (row >= 0 && row < static_cast<int>(st.order.size())) out.push_back(&st.hits[st.order[row]]);
  if (out.empty()) Tell(st, view, L"ファイルを選んでください．");
  return out;
}

// Copies one stored version to `target`; false (its box shown) when it failed.
bool CopyBack(App& app, const FoundVersion& v, const std::wstring& target) {
  const size_t slash = target.rfind(L'\\');
  const std::wstring folder = target.substr(0, slash);
  const std::wstring name = target.substr(slash + 1);
  if (PathKind(folder) != 2 && !CreateFolderReported(app, folder)) return false;
  // Written as it is, a name Windows would not make lands on another file or a device.
  const DWORD e = IsValidFileName(name) ? CopyFileKeepAttributes(v.stored, target) : ERROR_INVALID_NAME;
  if (e == 0) return true;
  ShowRestoreFailure(app, v.stored, target, e);
  return false;
}

std::wstring VersionText(const FILETIME& t, std::uint64_t size) {
  return TimeText(t) + L"  " + GroupedNumber(size) + L" バイト";
}

// Where "別の場所へ" puts a version's folder below the chosen one: its place
// below the search root, or with no root its whole path ("D:\A" -> "D\A").
std::wstring PlaceBelow(const std::wstring& root, const std::wstring& folder) {
  if (!root.empty()) {
    if (SameFolderText(root, folder)) return std::wstring();
    const size_t n = root.back() == L'\\' ? root.size() : root.size() + 1;
    return folder.substr(n);
  }
  if (folder.size() >= 2 && folder[1] == L':') {
    std::wstring rest = folder.size() > 3 ? folder.substr(3) : std::wstring();
    return rest.empty() ? folder.substr(0, 1) : folder.substr(0, 1) + L"\\" + rest;
  }
  return folder.substr(folder.find_first_not_of(L'\\'));  // \\srv\share -> srv\share
}

}  // namespace

// ---------------------------------------------------------------- names

NamePatterns::NamePatterns(const std::wstring& text) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L';', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring piece = Trimmed(text.substr(start, end - start));
    if (!piece.empty()) {
      // A user who lost a file often knows only a part of its name.
      lowered_.push_back(LowerText(IsWildcardPattern(piece) ? piece : L"*" + piece + L"*"));
      pieces_.push_back(std::move(piece));
    }
    start = end + 1;
  }
}

bool NamePatterns::Matches(std::wstring_view name) const {
  // Lowered as LowerText does, into the one buffer: a search meets every name of the backup.
  name_.resize(name.size());
  const int n = name.empty() ? 0
                             : LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_LOWERCASE, name.data(),
                                             static_cast<int>(name.size()), name_.data(),
                                             static_cast<int>(name_.size()), nullptr, nullptr, 0);
  if (n > 0)
    name_.resize(static_cast<size_t>(n));
  else
    name_ = LowerText(std::wstring(name));
  for (const auto& p : lowered_)
    if (MatchLowered(p, name_)) return true;
  return false;
}

std::wstring SourceOfMirror(const std::wstring& rel) {
  if (rel.size() > 2 && rel[0] == L'_' && rel[1] == L'_') return L"\\\\" + rel.substr(2);
  if (rel.empty() || !IsLetter(rel[0])) return std::wstring();
  const std::wstring drive = std::wstring(1, rel[0]) + L":\\";
  if (rel.size() == 1) return drive;
  if (rel[1] == L'\\' && rel.size() > 2) return drive + rel.substr(2);  // below a drive-root row
  if (rel[1] == L'_' && rel.size() > 2) return drive + rel.substr(2);
  return std::wstring();
}

std::wstring NameWithGeneration(const std::wstring& name, const std::wstring& generation) {
  const size_t dot = name.rfind(L'.');
  // A leading dot (".profile") starts no extension.
  if (dot == std::wstring::npos || dot == 0) return name + L" (" + generation + L")";
  return name.substr(0, dot) + L" (" + generation + L")" + name.substr(dot);
}

// ---------------------------------------------------------------- the list

std::wstring FindCellText(const FindState& st, int row, int column) {
  if (row < 0 || row >= static_cast<int>(st.order.size())) return {};
  const FoundVersion& v = st.hits[st.order[row]];
  switch (column) {
    case kColName: return v.name;
    case kColFolder: return v.folder;
    case kColGeneration: return st.generations[v.generation];
    case kColTime: return TimeText(v.lastWrite);
    case kColSize: return GroupedNumber(v.size);
    case kColNow: return NowText(v.now);
    case kColMemo: return st.memos[v.generation];
  }
  return {};
}

void FindSortBy(FindState& st, IFindView& view, int column) {
  if (column < 0 || column >= kFindColumns || st.searching) return;
  if (column == st.sortColumn)
    st.sortDescending = !st.sortDescending;
  else {
    st.sortColumn = column;
    st.sortDescending = DescendingFirst(column);
  }
  SortRows(st);
  view.RowsChanged();
}

// ---------------------------------------------------------------- search

void FindSearch(App& app, FindState& st, IFindView& view) {
  if (st.searching || st.copying) return;
  const NamePatterns patterns(st.pattern);
  if (patterns.pieces().empty()) {
    ShowMessage(app.user, MsgKind::Information, L"探したいファイル名を指定してください");
    return;
  }
  for (const auto& p : patterns.pieces())
    if (!CheckName(app, p, true)) return;
  std::wstring root;
  if (!Trimmed(st.folder).empty()) {
    root = FullFolder(Trimmed(st.folder));
    if (root.empty()) {
      ShowMessage(app.user, MsgKind::Warning, L"<" + st.folder + L"> フォルダ名が正しくありません.");
      return;
    }
  }
  if (app.env.tamdir.empty()) {
    ShowMessage(app.user, MsgKind::Warning,
                L"バックアップ先が設定されていません.\r\n「条件設定」で設定してください.");
    return;
  }
  if (!CheckDestinationVolume(app)) return;
  const std::wstring where = DestinationOf(app.env);  // perhaps on another drive letter today
  if (PathKind(where) != 2) {
    ShowMessage(app.user, MsgKind::Warning, L"<" + where + L">フォルダが見つかりません.");
    return;
  }
  if (!ForEachListed(where, [](const WIN32_FIND_DATAW&) { return false; })) {
    ShowMessage(app.user, MsgKind::Warning, L"<" + where + L">フォルダが読めません.");
    return;
  }
  const std::wstring dest = where.back() == L'\\' ? where : where + L'\\';

  app.AbortRequested = false;
  st.searching = true;
  view.SetRunning(true);
  st.dest = dest;
  st.searchRoot = root;
  st.hits.clear();
  st.order.clear();
  st.generations.clear();
  st.memos.clear();
  const std::vector<std::wstring> listed = ListGenerations(app, dest);
  for (auto it = listed.rbegin(); it != listed.rend(); ++it) {
    st.generations.push_back(it->substr(2));
    st.memos.push_back(GenerationMemo(dest, st.generations.back()));
  }
  view.RowsChanged();

  int generation = 0;
  MirrorWalk search(app, root, [&](const std::wstring& dir, const std::wstring& source, const WIN32_FIND_DATAW& f) {
    if (!patterns.Matches(f.cFileName)) return;
    FoundVersion v;
    v.name = f.cFileName;
    v.folder = source;
    v.stored = dir + L"\\" + v.name;
    v.generation = generation;
    v.lastWrite = f.ftLastWriteTime;
    v.size = (static_cast<std::uint64_t>(f.nFileSizeHigh) << 32) | f.nFileSizeLow;
    v.now = NowOf(v);
    st.order.push_back(static_cast<int>(st.hits.size()));
    st.hits.push_back(std::move(v));
  });
  const int total = static_cast<int>(st.generations.size());
  int searched = 0;
  for (; searched < total && !search.aborted; ++searched) {
    view.SetStatus(L"検索中 " + st.generations[searched] + L" (" + std::to_wstring(searched + 1) + L"/" +
                   std::to_wstring(total) + L")...");
    generation = searched;
    const size_t before = st.hits.size();
    search.Generation(dest + st.generations[searched]);
    // Most generations add no hit: the list stays as it is.
    if (st.hits.size() != before) view.RowsChanged();
  }
  if (search.aborted) --searched;  // the one it stopped in was not searched through
  SortRows(st);
  st.searching = false;
  view.SetRunning(false);
  view.RowsChanged();

  if (total == 0)
    st.status = L"バックアップ・データがありません．";
  else if (search.aborted)
    st.status = L"検索中断．該当 " + GroupedNumber(st.hits.size()) + L" 件 (" + GroupedNumber(total) + L" 世代中 " + GroupedNumber(searched) +
                L" 世代を検索)．";
  else
    st.status = L"検索完了．該当 " + GroupedNumber(st.hits.size()) + L" 件 (" + GroupedNumber(total) + L" 世代を検索)．";
  view.SetStatus(st.status);
  app.AbortRequested = false;

  WarnUnreadable(app, search.unreadable);
}

void FindBrowseFolder(App& app, FindState& st) {
  const std::wstring initial = PathKind(st.folder) == 2 ? st.folder : std::wstring();
  if (auto chosen = app.user.BrowseFolder(L"探すフォルダの選択", initial)) st.folder = *chosen;
}

// ---------------------------------------------------------------- restore

void FindRestore(App& app, FindState& st, IFindView& view) {
  const std::vector<FoundVersion*> chosen = Selected(st, view);
  if (chosen.empty()) return;
  CopyRun run(app, st, view);
  int copied = 0, same = 0, skipped = 0, failed = 0;
  int forAll = -1;  // the answer given with "以降すべて"
  bool aborted = false;
  for (size_t i = 0; i < chosen.size() && !aborted; ++i) {
    FoundVersion& v = *chosen[i];
    const std::wstring& generation = st.generations[v.generation];
    std::wstring target = JoinPath(v.folder, v.name);
    DirEntry now;
    if (LookupEntry(target, now)) {
      if (!(now.attributes & FILE_ATTRIBUTE_DIRECTORY) && now.size == v.size &&
          SameFileTime(now.lastWrite, v.lastWrite)) {
        ++same;  // this very version is there
        v.now = NowState::Same;
        aborted = !run.Next();
        continue;
      }
      int answer = forAll;
      if (answer < 0) {
        ChoiceRequest q;
        q.text = L"<" + target + L"> は既にあり、復元する版と違います.\r\n\r\n復元する版: " +
                 VersionText(v.lastWrite, v.size) + L" (" + generation + L")\r\n今のファイル: " +
                 VersionText(now.lastWrite, now.size);
        q.choices = {L"上書き", L"両方残す", L"スキップ"};
        q.defaultChoice = kSkip;
        if (i + 1 < chosen.size()) q.checkText = L"以降すべて";
        const ChoiceAnswer a = app.user.Choose(q);
        answer = a.choice < 0 ? kSkip : a.choice;
        if (a.checked && a.choice >= 0) forAll = answer;
      }
      if (answer == kSkip) {
        ++skipped;
        aborted = !run.Next();
        continue;
      }
      if (answer == kKeepBoth) target = JoinPath(v.folder, UnusedName(v.folder, v.name, generation, false));
    }
    if (CopyBack(app, v, target)) {
      ++copied;
      v.now = NowOf(v);
    } else {
      ++failed;
    }
    aborted = !run.Next();
  }
  std::wstring text = aborted ? L"復元中断．" : L"復元完了．";
  text += GroupedNumber(copied) + L" 件を復元しました．";
  if (same) text += L"同じ版があった " + GroupedNumber(same) + L" 件はそのままです．";
  if (skipped) text += GroupedNumber(skipped) + L" 件をスキップしました．";
  if (failed) text += GroupedNumber(failed) + L" 件は復元できませんでした．";
  Tell(st, view, text);
}

// A folder the user picks to copy into; empty when cancelled or refused (its box shown).
std::wstring PickTarget(App& app, FindState& st, const std::wstring& title, const std::wstring& dest) {
  const auto picked = app.user.BrowseFolder(title, st.lastTarget);
  if (!picked) return {};
  const std::wstring target = FullFolder(*picked);
  if (target.empty()) {
    ShowMessage(app.user, MsgKind::Warning, L"<" + *picked + L"> フォルダ名が正しくありません.");
    return {};
  }
  // The backup itself is never written to.
  const std::wstring backup = dest.back() == L'\\' ? dest.substr(0, dest.size() - 1) : dest;
  if (SameOrInside(backup, target) || IsInsideFolder(target, backup)) {
    ShowMessage(app.user, MsgKind::Warning,
                L"<" + target + L"> はバックアップ先と重なっています.\r\n別のフォルダを選んでください.");
    return {};
  }
  st.lastTarget = target;
  return target;
}

void FindRestoreElsewhere(App& app, FindState& st, IFindView& view) {
  const std::vector<FoundVersion*> chosen = Selected(st, view);
  if (chosen.empty()) return;
  const std::wstring target = PickTarget(app, st, L"復元先フォルダの選択", st.dest);
  if (target.empty()) return;
  CopyRun run(app, st, view);
  int copied = 0, failed = 0;
  for (FoundVersion* v : chosen) {
    const std::wstring place = PlaceBelow(st.searchRoot, v->folder);
    const std::wstring folder = place.empty() ? target : JoinPath(target, place);
    const std::wstring name = UnusedName(folder, v->name, st.generations[v->generation], true);
    if (CopyBack(app, *v, JoinPath(folder, name)))
      ++copied;
    else
      ++failed;
    if (!run.Next()) break;
  }
  std::wstring text = (app.AbortRequested ? L"復元中断．" : L"復元完了．") + GroupedNumber(copied) + L" 件を <" + target +
                      L"> に復元しました．";
  if (failed) text += GroupedNumber(failed) + L" 件は復元できませんでした．";
  Tell(st, view, text);
}

void FindOpen(App& app, FindState& st, IFindView& view) {
  const std::vector<FoundVersion*> chosen = Selected(st, view);
  if (chosen.empty()) return;
  const FoundVersion& v = *chosen.front();
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) return;
  // A folder of its own per copy: the program may still hold an earlier one.
  const std::wstring base = JoinPath(temp, L"ruzer-open");
  std::wstring folder;
  for (int k = 1; folder.empty() || PathKind(folder) != 0; ++k)
    folder = JoinPath(base, st.generations[v.generation] + L"-" + std::to_wstring(k));
  if (!CreateFolderReported(app, folder)) return;
  const std::wstring copy = JoinPath(folder, v.name);
  if (!CopyBack(app, v, copy)) {
    RemoveDirectoryW(LongPath(folder).c_str());
    return;
  }
  st.opened.push_back(copy);
  // Read-only, so that the program cannot write into it unasked.
  const DWORD attributes = GetFileAttributesW(LongPath(copy).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES)
    SetFileAttributesW(LongPath(copy).c_str(), attributes | FILE_ATTRIBUTE_READONLY);
  if (!view.OpenDocument(copy)) {
    ShowMessage(app.user, MsgKind::Error, L"<" + copy + L"> を開くプログラムがありません.");
    return;
  }
  Tell(st, view, L"<" + v.name + L"> (" + st.generations[v.generation] + L") の読み取り専用のコピーを開きました．");
}

void FindOpened(App& app, FindState& st) {
  st.days.clear();
  st.dayGenerations.clear();
  st.day = -1;
  if (app.env.tamdir.empty() || !CheckDestinationVolume(app)) return;
  const std::wstring& dest = DestinationOf(app.env);
  const std::vector<std::wstring> listed = ListGenerations(app, dest);
  for (auto it = listed.rbegin(); it != listed.rend(); ++it) {
    st.dayGenerations.push_back(it->substr(2));
    st.days.push_back(GenerationLine(st.dayGenerations.back(), GenerationMemo(dest, st.dayGenerations.back())));
  }
  if (!st.days.empty()) st.day = 0;
}

void FindRestoreAsOf(App& app, FindState& st, IFindView& view) {
  if (st.searching || st.copying) return;
  const std::wstring typed = Trimmed(st.folder);
  if (typed.empty()) {
    ShowMessage(app.user, MsgKind::Information, L"復元したいフォルダを指定してください");
    return;
  }
  const std::wstring root = FullFolder(typed);
  if (root.empty()) {
    ShowMessage(app.user, MsgKind::Warning, L"<" + st.folder + L"> フォルダ名が正しくありません.");
    return;
  }
  if (st.day < 0 || st.day >= static_cast<int>(st.dayGenerations.size())) {
    Tell(st, view, L"バックアップ・データがありません．");
    return;
  }
  if (!CheckDestinationVolume(app)) return;
  const std::wstring where = DestinationOf(app.env);
  const std::wstring dest = where.back() == L'\\' ? where : where + L'\\';
  const std::wstring& generation = st.dayGenerations[st.day];
  // A new folder named after the folder and the generation, where the user says.
  const std::wstring parent = PickTarget(app, st, L"復元先の選択 (ここに新しいフォルダを作ります)", dest);
  if (parent.empty()) return;
  const size_t slash = root.find_last_of(L'\\', root.size() - 2);
  std::wstring leaf = root.size() == 3 && root[1] == L':' ? root.substr(0, 1) : root.substr(slash + 1);
  if (!leaf.empty() && leaf.back() == L'\\') leaf.pop_back();
  std::wstring made = leaf + L" (" + generation + L")";
  for (int k = 2; PathKind(JoinPath(parent, made)) != 0; ++k)
    made = leaf + L" (" + generation + L" " + std::to_wstring(k) + L")";
  const std::wstring target = JoinPath(parent, made);

  CopyRun run(app, st, view);
  std::unordered_set<std::wstring> taken;  // lower-cased paths below the folder
  int copied = 0, failed = 0;
  MirrorWalk walk(app, root, [&](const std::wstring& dir, const std::wstring& source, const WIN32_FIND_DATAW& f) {
    const std::wstring place = PlaceBelow(root, source);
    const std::wstring rel = place.empty() ? std::wstring(f.cFileName) : place + L"\\" + f.cFileName;
    if (!taken.insert(LowerText(rel)).second) return;  // an older generation had it: that is the day's copy
    FoundVersion v;
    v.stored = dir + L"\\" + f.cFileName;
    if (CopyBack(app, v, JoinPath(target, rel)))
      ++copied;
    else
      ++failed;
  });
  // From the chosen generation towards the newest: the first that holds a file has its copy of that day.
  const std::vector<std::wstring> listed = ListGenerations(app, dest);
  bool reached = false;
  for (const auto& entry : listed) {
    if (walk.aborted) break;
    const std::wstring name = entry.substr(2);
    reached = reached || name == generation;
    if (!reached) continue;
    view.SetStatus(L"復元中 " + name + L"...");
    walk.Generation(dest + name);
  }
  std::wstring text = walk.aborted ? L"復元中断．" : L"復元完了．";
  text += L"<" + root + L"> の " + generation + L" の状態を <" + target + L"> に復元しました (" + GroupedNumber(copied) +
          L" 件)．";
  if (failed) text += GroupedNumber(failed) + L" 件は復元できませんでした．";
  Tell(st, view, text);
  app.AbortRequested = false;
  WarnUnreadable(app, walk.unreadable);
}

bool FindCancel(App& app, FindState& st) {
  if (st.searching || st.copying) {
    app.AbortRequested = true;
    return false;
  }
  return true;
}

void FindClosed(App& app, FindState& st) {
  app.AbortRequested = false;
  // Only the copies "開く" made, with their folders; one a program still holds stays for the next time.
  std::vector<std::wstring> kept;
  for (const auto& copy : st.opened) {
    if (PathKind(copy) == 1 && !DeleteFileForced(copy)) {
      kept.push_back(copy);
      continue;
    }
    const std::wstring folder = copy.substr(0, copy.rfind(L'\\'));
    RemoveDirectoryW(LongPath(folder).c_str());
    RemoveDirectoryW(LongPath(folder.substr(0, folder.rfind(L'\\'))).c_str());  // ruzer-open, once empty
  }
  st.opened = std::move(kept);
}

}  // namespace ruzer
