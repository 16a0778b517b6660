#include "engine/Sbakini.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unordered_set>

#include "base/services.h"
#include "base/text.h"
#include "base/textfile.h"
#include "engine/Sdskio.h"
#include "engine/Select.h"
#include "store/Fdef.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsCapital(wchar_t c) { return c >= L'A' && c <= L'Z'; }

void Box(App& app, MsgKind kind, const std::wstring& text) { ShowMessage(app.user, kind, text); }

// Folders directly in `folder` that may be generations or old-format ones:
// hidden and system folders belong to the user, and a link is never followed.
std::vector<DirEntry> CandidateFolders(const std::wstring& folder) {
  std::vector<DirEntry> files, folders, result;
  if (!ListFolder(folder, files, folders)) return result;
  for (auto& f : folders) {
    if (f.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT))
      continue;
    result.push_back(std::move(f));
  }
  return result;
}

// A source folder as the engine may use it: its mirror then stays inside the
// generation. "C:" stands for the root of drive C.
bool SafeSource(const std::wstring& folderNoSlash) {
  if (folderNoSlash.size() == 2 && folderNoSlash[1] == L':')
    return IsSafeSourcePath(folderNoSlash + L"\\");
  return IsSafeSourcePath(folderNoSlash);
}

// Temporary files a killed run may leave in a generation's root: those of a
// copy ("~ruzer-" + hex + ".tmp") and those of the memo and log writes
// ("~rz" + hex + "_" + hex + ".tmp").
bool IsLeftoverTemp(const std::wstring& name) { return IsRuzerTempName(name) || IsReplaceTempName(name); }

void RemoveLeftoverTemps(const std::wstring& folder) {
  std::vector<DirEntry> files, folders;
  if (!ListFolder(folder, files, folders)) return;
  for (const auto& f : files)
    if (IsLeftoverTemp(f.name)) DeleteFileForced(folder + L"\\" + f.name);
}

}  // namespace

// ------------------------------------------------------------------ names

bool IsGenerationName(const std::wstring& name) {
  if (name.size() != 7) return false;
  for (int i = 0; i < 6; ++i)
    if (!IsDigit(name[i])) return false;
  return IsCapital(name[6]);
}

bool IsOldGenerationName(const std::wstring& name) {
  if (name.size() != 6) return false;
  for (int i = 0; i < 5; ++i)
    if (!IsDigit(name[i])) return false;
  return name[0] != L'8' && name[0] != L'9' && IsCapital(name[5]);
}

std::wstring DateName(const SYSTEMTIME& day) {
  wchar_t buf[16];
  swprintf(buf, 16, L"%02u%02u%02u", static_cast<unsigned>(day.wYear % 100),
           static_cast<unsigned>(day.wMonth), static_cast<unsigned>(day.wDay));
  return buf;
}

std::wstring MirrorName(const std::wstring& sourceFolder) {
  std::wstring s = WithoutTrailingBackslash(sourceFolder);
  // A network folder: "\\srv\share" -> "__srv\share". The drive rule below
  // would give "\_rv\share", losing a letter and meeting other servers.
  if (s.size() > 2 && s[0] == L'\\' && s[1] == L'\\') {
    s[0] = s[1] = L'_';
    return s;
  }
  if (s.size() < 2) return s;
  s.erase(1, 1);
  if (s.size() > 1) s[1] = L'_';
  return s;
}

bool LastBackupIsToday(const App& app, int page) {
  const SYSTEMTIME now = app.clock.Now();
  wchar_t today[16];
  swprintf(today, 16, L"%04u/%02u/%02u", static_cast<unsigned>(now.wYear), static_cast<unsigned>(now.wMonth),
           static_cast<unsigned>(now.wDay));
  const size_t row = static_cast<size_t>(page) + 1;
  return page >= 0 && row < app.PageIndexTable.size() && app.PageIndexTable[row].last.compare(0, 10, today) == 0;
}

// ------------------------------------------------------------------ listing

std::vector<std::wstring> ListGenerations(App& app, const std::wstring& destination) {
  std::vector<std::wstring> list;
  for (const auto& f : CandidateFolders(WithoutTrailingBackslash(destination))) {
    if (IsGenerationName(f.name)) list.push_back(L"20" + f.name);
    LetMessagesRun(app);
  }
  std::sort(list.begin(), list.end());  // digits and capitals: plain order is the case-free one
  return list;
}

std::wstring LatestGeneration(App& app, const std::wstring& destination) {
  auto list = ListGenerations(app, destination);
  return list.empty() ? std::wstring() : list.back().substr(2);
}

// ------------------------------------------------------------------ preparation

bool CheckDestination(App& app, BackupState& state) {
  const EnvPanel& env = app.env;
  if (env.tamdir.empty()) {
    Box(app, MsgKind::Warning,
        L"バックアップ先が設定されていません.\r\n「条件設定」で設定してください.");
    return false;
  }
  if (env.backdays < 1) {
    Box(app, MsgKind::Warning, L"保存日数は１以上の値を設定してください.");
    return false;
  }
  if (!CheckDestinationVolume(app)) return false;
  // The medium may have been found on another drive letter this time.
  const std::wstring& dest = DestinationOf(env);
  state.DestFolder = dest;
  if (state.DestFolder.back() != L'\\') state.DestFolder += L'\\';
  if (PathKind(dest) == 2) return true;
  if (ShowMessage(app.user, MsgKind::Confirmation, L"<" + dest + L">フォルダを作成しますか", kYes | kNo,
                  kYes) == kNo)
    return false;
  return CreateFolderReported(app, dest);
}

void ConvertOldGenerations(App& app, BackupState& state) {
  std::vector<std::wstring> old;
  for (const auto& f : CandidateFolders(WithoutTrailingBackslash(state.DestFolder))) {
    if (IsOldGenerationName(f.name)) old.push_back(f.name);
    LetMessagesRun(app);
  }
  for (const auto& name : old) {
    StatusMessage(app, L"旧形式フォルダ\"" + name + L"\"を新形式\"0" + name + L"\"に変換中.");
    LetMessagesRun(app);
    MovePath(state.DestFolder + name, state.DestFolder + L"0" + name);
  }
}

bool StartGeneration(App& app, BackupState& state) {
  const std::wstring today = DateName(app.clock.Now());
  state.GenerationList = ListGenerations(app, state.DestFolder);
  const std::wstring latest =
      state.GenerationList.empty() ? std::wstring() : state.GenerationList.back().substr(2);
  state.PreviousGeneration = latest.empty() ? std::wstring() : state.DestFolder + latest;
  state.NewGeneration.clear();
  if (latest.empty())
    state.TodayRunIndex = -2;
  else if (latest.compare(0, 6, today) == 0)
    state.TodayRunIndex = latest[6] - L'A';
  else
    state.TodayRunIndex = -1;

  if (app.AbortRequested) return false;
  // Today's generation alone does not make the day done: a run killed or
  // aborted after it was made left it incomplete, and only a completed run
  // records its time in the index.
  if (state.TodayRunIndex >= 0 && app.AutoMode && app.env.check[1] && LastBackupIsToday(app, app.activePage)) {
    state.doneToday = true;
    StatusMessage(app, L"本日分は保存済みです");
    LetMessagesRun(app, true);
    app.clock.Sleep(app.SleepMs);
    return false;
  }
  RestoreFromMinimized(app);
  if (state.TodayRunIndex >= 25) {
    Box(app, MsgKind::Warning, L"本日分は26回保存されています．\r\nこれ以上保存できません．");
    return false;
  }
  const wchar_t letter = state.TodayRunIndex < 0 ? L'A' : static_cast<wchar_t>(L'A' + state.TodayRunIndex + 1);
  const std::wstring newPath = state.DestFolder + today + letter;

  // A folder of that name that is no generation (hidden, or a file) belongs
  // to someone else: writing into it or renaming onto it would touch it.
  if (PathKind(newPath) != 0) {
    Box(app, MsgKind::Warning,
        L"<" + newPath + L">フォルダの作成失敗." + L"\r\n" + SystemErrorText(ERROR_ALREADY_EXISTS));
    return false;
  }
  if (state.PreviousGeneration.empty()) {
    if (!CreateFolderReported(app, newPath)) return false;
    state.NewGeneration = newPath + L"\\";
    state.newBook.Reset(state.NewGeneration);
    return true;
  }
  if (!MovePath(state.PreviousGeneration, newPath)) {
    const DWORD err = GetLastError();
    Box(app, MsgKind::Warning, L"<" + newPath + L">フォルダの作成失敗." + L"\r\n" + SystemErrorText(err));
    return false;
  }
  state.NewGeneration = newPath + L"\\";
  // The digest file moved with the mirror it describes.
  state.newBook.Reset(state.NewGeneration);
  LetMessagesRun(app);
  if (!CreateFolderReported(app, state.PreviousGeneration)) return false;
  state.prevBook.Reset(state.PreviousGeneration);
  // A run killed while it copied the page file back leaves its temporary
  // file in the root of the generation before the latest.
  if (state.GenerationList.size() >= 2)
    RemoveLeftoverTemps(state.DestFolder + state.GenerationList[state.GenerationList.size() - 2].substr(2));

  // The memo, error log and page copy stay with the generation they describe;
  // the page copy also stays in the new one until the run replaces it.
  std::vector<DirEntry> files, folders;
  if (ListFolder(newPath, files, folders)) {
    for (const auto& f : files) {
      const std::wstring from = state.NewGeneration + f.name;
      if (IsLeftoverTemp(f.name)) {  // left by a killed run
        DeleteFileForced(from);
        continue;
      }
      if (f.name == kDigestFileName) continue;  // stays with the mirror
      const std::wstring to = state.PreviousGeneration + L"\\" + f.name;
      const bool pageCopy = f.name.size() >= 4 && f.name.compare(f.name.size() - 4, 4, Fdef::kPageExt) == 0;
      if (pageCopy)
        CopyFileKeepAttributes(from, to);
      else
        MovePath(from, to);
    }
    // The copies a killed run left half-made; no mirror carries this name.
    for (const auto& f : folders)
      if (f.name == kWorkFolderName && !(f.attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        DeleteFolderTree(app, state.NewGeneration + f.name);
  }
  return true;
}

void MoveRowMirror(App& app, BackupState& state, const std::wstring& folder) {
  const std::wstring rel = MirrorName(folder);
  if (rel.empty()) return;
  const std::wstring from = state.NewGeneration + rel;
  const std::wstring to = state.PreviousGeneration + L"\\" + rel;
  // Nothing to keep: do not leave empty folders in the previous generation.
  if (PathKind(from) == 0) return;
  if (CreateFolderReported(app, ParentFolder(to))) MoveToPrevious(state, from, to, true);
  const std::wstring top = WithoutTrailingBackslash(state.NewGeneration);
  for (std::wstring p = ParentFolder(from); p.size() > top.size() && FolderIsEmpty(p);
       p = ParentFolder(p)) {
    SetFileAttributesW(LongPath(p).c_str(), 0);
    if (!RemoveDirectoryW(LongPath(p).c_str())) break;
  }
}

std::wstring BelowGeneration(const std::wstring& generation, const std::wstring& full) {
  if (generation.empty() || full.size() <= generation.size() ||
      full.compare(0, generation.size(), generation) != 0)
    return std::wstring();
  return full.substr(generation.size());
}

bool MoveToPrevious(BackupState& state, const std::wstring& from, const std::wstring& to, bool folder) {
  // The entries leave the new generation's file before the copies leave it,
  // and reach the previous one's only once the copies are there.
  const std::wstring rel = BelowGeneration(state.NewGeneration, from);
  const std::wstring prevRel = BelowGeneration(state.PreviousGeneration + L"\\", to);
  std::vector<DigestEntry> entries;
  if (folder) {
    entries = state.newBook.TakeFolder(rel);
  } else {
    DigestEntry e;
    if (state.newBook.Take(rel, e)) entries.push_back(std::move(e));
  }
  const bool moved = MovePath(from, to);
  const DWORD err = GetLastError();
  for (auto& e : entries) {
    if (!moved) {
      state.newBook.Add(e);
      continue;
    }
    if (prevRel.empty()) continue;
    e.path = prevRel + e.path.substr(rel.size());
    state.prevBook.Add(e);
  }
  SetLastError(err);  // the caller reports a failed move
  return moved;
}

void MoveRemovedRows(App& app, BackupState& state) {
  if (state.PreviousGeneration.empty()) return;
  const std::wstring pageCopy =
      state.PreviousGeneration + L"\\" + app.CurrentPageName + Fdef::kPageExt;
  if (PathKind(pageCopy) != 1) {
    StatusMessage(app, L"");
    return;
  }
  std::unordered_set<std::wstring> current;
  for (const auto& row : app.rows) current.insert(LowerText(row.caption));

  const TextReadResult text = ReadTextFile(pageCopy);
  if (!text.ok()) return;
  for (const auto& line : text.lines) {
    if (line.compare(0, 4, L"Vers") == 0 && line.size() >= 6 && line[5] < L'6') break;
    if (!line.empty() && line[0] == L'S') {
      const std::wstring folder = line.size() > 5 ? line.substr(5, 260) : std::wstring();
      if (!current.count(LowerText(folder))) {
        // The copy is only a file on the destination: a folder in it that is
        // no plain full path could lead the move outside the generation.
        if (SafeSource(WithoutTrailingBackslash(folder)))
          MoveRowMirror(app, state, WithoutTrailingBackslash(folder));
        else
          AddErrorLine(app, state, ERROR_BAD_PATHNAME, folder);
      }
    }
    LetMessagesRun(app);
  }
}

void DeleteExpiredGenerations(App& app, BackupState& state) {
  if (state.PreviousGeneration.empty()) return;
  const auto& list = state.GenerationList;
  int days = app.env.backdays + (state.TodayRunIndex >= 0 ? 1 : 0);
  int cut = -1;
  for (int i = static_cast<int>(list.size()) - 1; i >= 0; --i) {
    if (list[i].size() > 8 && list[i][8] == L'A') {
      --days;
      if (days <= 1) {
        cut = i - 1;
        break;
      }
    }
  }
  if (app.env.backdays == 1 && state.TodayRunIndex < 0) cut = static_cast<int>(list.size()) - 1;
  for (int i = 0; i <= cut; ++i) {
    const std::wstring name = list[i].substr(2);
    StatusMessage(app, L"保存期間終了フォルダ<" + name + L">削除.");
    LetMessagesRun(app);
    DeleteFolderTree(app, state.DestFolder + name);
  }
}

bool PrepareBackup(App& app, BackupState& state) {
  app.AbortRequested = false;
  state.DestFolder.clear();
  state.GenerationList.clear();
  state.NewGeneration.clear();
  state.PreviousGeneration.clear();
  state.TodayRunIndex = -2;
  state.doneToday = false;
  state.newBook.Reset(L"");
  state.prevBook.Reset(L"");
  SetBottomPanel(app, 1);
  ShowFreeSpaceText(app, L"");
  StatusMessage(app, L"バックアップ準備中...");
  LetMessagesRun(app, true);

  if (!CheckDestination(app, state)) return false;
  ConvertOldGenerations(app, state);
  if (!StartGeneration(app, state)) return false;
  StatusMessage(app, L"削除フォルダの処理中...");
  LetMessagesRun(app);
  MoveRemovedRows(app, state);
  if (!app.AbortRequested) {
    ShowFreeSpace(app);
    DeleteExpiredGenerations(app, state);
    ShowFreeSpace(app);
  }
  return true;
}

// ------------------------------------------------------------------ free space

std::wstring FreeSpaceText(std::int64_t free, std::int64_t total) {
  // A volume that cannot be read shows as empty rather than as nonsense.
  if (free < 0) free = 0;
  const std::int64_t percent = total > 0 ? free * 100 / total : 0;
  double value;
  const wchar_t* unit;
  if (free > static_cast<std::int64_t>(kGigabyte)) {
    value = static_cast<double>(free) / static_cast<double>(kGigabyte);
    unit = L" GB";
  } else {
    value = static_cast<double>(free) / static_cast<double>(kMegabyte);
    unit = L" MB";
  }
  // One decimal with the locale's separators, thousands grouped by three.
  wchar_t dec[8] = L".", thou[8] = L",";
  GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, dec, 8);
  GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, thou, 8);
  const long long tenths = std::llround(value * 10.0);
  std::wstring whole = std::to_wstring(tenths / 10);
  std::wstring grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += thou;
    grouped += whole[i];
  }
  wchar_t pct[32];
  swprintf(pct, 32, L" (%2lld%%)", static_cast<long long>(percent));
  return grouped + dec + std::to_wstring(tenths % 10) + unit + pct;
}

void ShowFreeSpace(App& app) {
  const FreeSpaceInfo f = GetFreeSpace(DestinationOf(app.env));
  ShowFreeSpaceText(app, L"空= " + FreeSpaceText(f.free, f.total));
}

// ------------------------------------------------------------------ error lines

std::wstring ErrorLine(DWORD code, const std::wstring& path) {
  return path + L" <エラー:" + std::to_wstring(code) + L"> " + SystemErrorText(code);
}

void AddErrorLine(App& app, BackupState& state, DWORD code, const std::wstring& path, const std::wstring& suffix) {
  const std::wstring line = ErrorLine(code, path) + suffix;
  state.errorLog.push_back(line);
  ErrorListAdd(app, line);
}

}  // namespace ruzer
