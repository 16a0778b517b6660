#include "engine/Sbakup.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/inifile.h"
#include "base/progress.h"
#include "base/services.h"
#include "base/text.h"
#include "base/textfile.h"
#include "engine/Select.h"
#include "engine/Slock.h"
#include "store/Fdef.h"
#include "store/Spage.h"

namespace ruzer {

namespace {

// Room kept on the destination for the page's log and memo.
constexpr DWORD kReserveBytes = 64 * 1024;
// Named like the copy's temporary files, so a killed run's leftover is
// recognised and removed by the next run.
constexpr wchar_t kReserveName[] = L"~ruzer-ffffffff.tmp";

bool Stopped(const App& app) { return app.AbortRequested || app.BackupFailed; }

using NameIndex = std::unordered_map<std::wstring, size_t>;

NameIndex IndexOf(const std::vector<DirEntry>& entries) {
  NameIndex index;
  index.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) index.emplace(CaseFreeKey(entries[i].name), i);
  return index;
}

const DirEntry* Find(const std::vector<DirEntry>& entries, const NameIndex& index,
                     const std::wstring& key) {
  auto it = index.find(key);
  return it == index.end() ? nullptr : &entries[it->second];
}

void ReleaseVector(std::vector<DirEntry>& v) { std::vector<DirEntry>().swap(v); }

// "C:" stands for the root of drive C.
bool SafeSource(const std::wstring& folderNoSlash) {
  if (folderNoSlash.size() == 2 && folderNoSlash[1] == L':')
    return IsSafeSourcePath(folderNoSlash + L"\\");
  return IsSafeSourcePath(folderNoSlash);
}

// The page's destination lies in the source tree: walking into it would copy
// the backup into itself, deeper on every folder it creates.
bool IsDestinationFolder(const BackupState& state, const std::wstring& folder) {
  std::wstring dest = state.DestFolder;
  while (!dest.empty() && dest.back() == L'\\') dest.pop_back();
  if (dest.empty()) return false;
  return SameFolderText(dest, folder) || IsInsideFolder(dest, folder);
}

bool IsLink(const std::wstring& path) {
  const DWORD a = GetFileAttributesW(LongPath(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Mode of the removal steps: move into previous, delete (retention 1 on the
// first run of the day: the previous generation is already gone), or nothing.
enum class RemoveMode { Nothing, Move, Delete };

RemoveMode ModeFor(const App& app, const BackupState& state, const std::wstring& previous) {
  if (!previous.empty()) return RemoveMode::Move;
  if (app.env.backdays == 1 && state.TodayRunIndex == -1) return RemoveMode::Delete;
  return RemoveMode::Nothing;
}

void TakeReserve(BackupState& state) {
  state.reserve = state.NewGeneration + kReserveName;
  HANDLE h = CreateFileW(LongPath(state.reserve).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    state.reserve.clear();
    return;
  }
  // Written, not just sized: a sparse file would hold no room at all.
  std::string zeros(kReserveBytes, '\0');
  DWORD written = 0;
  const bool ok = WriteFile(h, zeros.data(), kReserveBytes, &written, nullptr) && written == kReserveBytes;
  CloseHandle(h);
  if (!ok) {
    DeleteFileForced(state.reserve);
    state.reserve.clear();
  }
}

void ReleaseReserve(BackupState& state) {
  if (state.reserve.empty()) return;
  DeleteFileForced(state.reserve);
  state.reserve.clear();
}

// The panel after a folder: asking the volume costs more than listing a
// small folder, and the panel changes nothing for the eye faster than this.
constexpr std::uint64_t kFreeSpaceIntervalMs = 250;

void RefreshFreeSpace(App& app, BackupState& state) {
  const std::uint64_t now = app.clock.TickMs();
  if (state.freeSpaceTick != 0 && now - state.freeSpaceTick < kFreeSpaceIntervalMs) return;
  state.freeSpaceTick = now;
  ShowFreeSpace(app);
}

void ShowError(App& app, const std::wstring& text) { ShowMessage(app.user, MsgKind::Error, text); }

// Copies are made in a folder of our own at the generation's root and then
// take their place in the mirror, so that a killed run's leftover can never
// be taken for a user's file of the same name.
void OpenWorkFolder(BackupState& state) {
  state.workFolder.clear();
  const std::wstring work = state.NewGeneration + kWorkFolderName;
  if (CreateDirectoryW(LongPath(work).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS)
    state.workFolder = work;
}

void CloseWorkFolder(BackupState& state) {
  if (state.workFolder.empty()) return;
  RemoveDirectoryW(LongPath(state.workFolder).c_str());
  state.workFolder.clear();
}

// After a failed write into the destination: is the destination itself gone
// (USB disk pulled, share dropped, medium ejected)? Then every further copy
// would fail as well: the run stops once, as on a full destination, with one
// error line naming the destination instead of a box or line per file.
bool DestinationLost(App& app, BackupState& state) {
  if (state.destinationLost) return true;
  if (state.NewGeneration.empty()) return false;
  if (GetFileAttributesW(LongPath(state.NewGeneration).c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  DWORD code = GetLastError();
  if (code != ERROR_FILE_NOT_FOUND && !IsLostMediumError(code)) return false;
  if (code == ERROR_FILE_NOT_FOUND) code = ERROR_PATH_NOT_FOUND;
  state.destinationLost = true;
  app.BackupFailed = true;
  std::wstring dest = state.DestFolder;
  while (dest.size() > 3 && dest.back() == L'\\') dest.pop_back();
  AddErrorLine(app, state, code, dest);
  ShowError(app, L"バックアップ先 <" + dest + L"> が見つかりません.\r\nバックアップを中止します.");
  return true;
}

// The files another program held, once more, each at least kLockedRetryMs
// after its first try; the abort key answers during the wait. Those
// that fail again, or are not tried again because the run stopped, become
// error lines.
void TryHeldFilesAgain(App& app, BackupState& state) {
  if (state.heldFiles.empty()) return;
  std::vector<BackupState::HeldFile> held;
  held.swap(state.heldFiles);
  if (!Stopped(app)) {
    StatusMessage(app, L"使用中のファイルを待っています...");
    for (;;) {
      LetMessagesRun(app, true);
      if (app.AbortRequested) break;
      const std::uint64_t waited = app.clock.TickMs() - state.lastHeldTick;
      if (waited >= kLockedRetryMs) break;
      app.clock.Sleep(static_cast<int>(std::min<std::uint64_t>(100, kLockedRetryMs - waited)));
    }
  }
  state.secondTry = true;
  for (const auto& f : held) {
    if (Stopped(app)) {
      if (!state.destinationLost) AddErrorLine(app, state, ERROR_SHARING_VIOLATION, f.srcDir + f.name);
      continue;
    }
    DirEntry src, mirror;
    const bool hasSrc = LookupEntry(f.srcDir + f.name, src), hasMirror = LookupEntry(f.mirrorDir + f.name, mirror);
    BackupFile(app, state, f.srcDir, f.mirrorDir, f.previous, f.name, hasSrc ? &src : nullptr,
               hasMirror ? &mirror : nullptr);
    LetMessagesRun(app);
  }
  state.secondTry = false;
}

// What each page's last completed run met, beside the index file:
// "<page>=<files>,<bytes>" per line. The next run's progress counts toward it.
std::wstring CountFilePath(const App& app) {
  std::wstring base = app.IndexFileName;
  const size_t dot = base.rfind(L'.');
  if (dot != std::wstring::npos) base.erase(dot);
  return app.FileSetFolder + base + L".CNT";
}

bool ParseCount(const std::wstring& text, std::uint64_t& value) {
  if (text.empty() || text.size() > 19 || text.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
  value = std::stoull(text);
  return true;
}

// The page's progress counts toward what its previous run met; without
// that, the count alone with a moving bar.
void StartPageProgress(App& app) {
  std::uint64_t files = 0, bytes = 0;
  const TextReadResult text = ReadTextFile(CountFilePath(app), 1 << 20);
  for (const auto& line : text.lines) {
    const size_t eq = line.rfind(L'='), comma = line.rfind(L',');
    if (eq == std::wstring::npos || comma == std::wstring::npos || comma < eq) continue;
    if (!SameName(std::wstring_view(line).substr(0, eq), app.CurrentPageName)) continue;
    if (!ParseCount(line.substr(eq + 1, comma - eq - 1), files) || !ParseCount(line.substr(comma + 1), bytes))
      files = bytes = 0;
  }
  ProgressStart(app, files, bytes);
}

void WriteCount(App& app) {
  const std::wstring path = CountFilePath(app);
  std::vector<std::wstring> lines;
  const TextReadResult text = ReadTextFile(path, 1 << 20);
  for (const auto& line : text.lines) {
    const size_t eq = line.rfind(L'=');
    if (eq == std::wstring::npos) continue;
    const std::wstring page = line.substr(0, eq);
    // Pages that are gone, and this page's old line, are not kept.
    bool known = false;
    for (const auto& p : app.pages) known |= SameName(p, page);
    if (known && !SameName(page, app.CurrentPageName)) lines.push_back(line);
  }
  lines.push_back(app.CurrentPageName + L"=" + std::to_wstring(app.progress.items) + L"," +
                  std::to_wstring(app.progress.bytes));
  WriteUtf16File(path, lines);  // a file set on a read-only place only loses its estimate
}

// A copy (or folder of copies) of the new generation is about to be deleted
// or replaced: its digest entries go first.
void ForgetDigest(BackupState& state, const std::wstring& path, bool folder) {
  const std::wstring rel = BelowGeneration(state.NewGeneration, path);
  if (folder) {
    state.newBook.TakeFolder(rel);
  } else {
    DigestEntry gone;
    state.newBook.Take(rel, gone);
  }
}

// A folder in the destination; its own error box only while the destination
// is there at all.
bool MakeFolder(App& app, BackupState& state, const std::wstring& path) {
  if (CreateDirectoryW(LongPath(path).c_str(), nullptr)) return true;
  if (GetLastError() != ERROR_ALREADY_EXISTS && DestinationLost(app, state)) return false;
  return CreateFolderReported(app, path);
}

}  // namespace

// ------------------------------------------------------------------ the run

void RunBackup(App& app) {
  std::wstring memo;
  if (!app.AutoMode) {
    if (!app.memoDialog || !app.memoDialog->Show(memo)) return;
  }
  const bool automatic = app.AutoMode;
  app.BackupFailed = false;
  app.AbortRequested = false;
  BackupState state;
  state.systemFiles = SystemFilePaths();
  SetBusyMode(app, true);
  BackupAllPages(app, state, memo);
  if (automatic) {
    RunOutcome outcome;
    outcome.fileSetUnusable = app.IndexUnreadable;
    outcome.failed = app.BackupFailed;
    outcome.aborted = app.AbortRequested;
    outcome.errorLines = CountErrorLines(app.errorLines);
    outcome.pagesRefused = state.pagesRefused;
    app.ExitCode = AutoRunExitCode(outcome);
  }
  ProgressEnd(app, app.BackupFailed);
  SetBusyMode(app, false);
  if (!app.AbortRequested && !app.BackupFailed)
    StatusMessage(app, L"バックアップ終了．");
  else if (app.BackupFailed)
    StatusMessage(app, L"エラーにより中断．");
  else
    StatusMessage(app, L"バックアップ中断．");
}

void BackupAllPages(App& app, BackupState& state, const std::wstring& memo) {
  bool stopped = false;
  for (int p = 0; p < static_cast<int>(app.pages.size()); ++p) {
    int old = app.activePage;
    app.activePage = p;
    app.view.SetActiveTab(p);
    if (app.AutoMode) {
      app.rows.clear();
      app.view.ShowSourceRows(&app.rows);
      AttachPagePanel(app);
      LetMessagesRun(app, true);
      const bool skip = AlreadySavedToday(app, p);
      if (app.AbortRequested) {
        // The window stays open on this tab: show its page as its file has
        // it, so that no later change writes the emptied list over it.
        PageChanged(app, p);
        stopped = true;
        break;
      }
      if (skip) continue;
      old = -1;
    }
    if (p != old) PageChanged(app, p);
    if (app.AbortRequested) {
      stopped = true;
      break;
    }
    // A page file that could not be read shows no rows; backing that up would
    // treat every mirror as removed and record a backup that never happened.
    if (app.PageUnreadable) {
      ErrorListAdd(app, L"{" + app.CurrentPageName + L"} ページ.");
      ErrorListAdd(app, ErrorLine(ERROR_INVALID_DATA, app.FileSetFolder + app.CurrentPageName + Fdef::kPageExt));
      continue;
    }
    // A retention that is no number could delete years of generations:
    // neither guess one nor touch the destination.
    if (!app.env.badRetention.empty()) {
      ErrorListAdd(app, L"{" + app.CurrentPageName + L"} ページ.");
      std::wstring text = BadRetentionText(app);
      for (size_t at; (at = text.find(L"\r\n")) != std::wstring::npos;) text.erase(at, 2);
      ErrorListAdd(app, text);
      ++state.pagesRefused;
      continue;
    }
    const SYSTEMTIME start = app.clock.Now();
    app.view.FocusAbort();
    state.errorLog.clear();
    ErrorListAdd(app, L"{" + app.CurrentPageName + L"} ページ.");
    // The medium first: the lock file must never go onto a disk with
    // another label, and the medium may sit on another drive letter today.
    if (!app.env.tamdir.empty() && !app.env.volname.empty() && !CheckDestinationVolume(app)) {
      if (app.AbortRequested) {
        stopped = true;
        break;
      }
      ++state.pagesRefused;
      continue;
    }
    // Held until the page's log and memo are written.
    DestinationLock lock;
    if (!app.env.tamdir.empty() && !AcquireDestination(app, lock)) {
      if (app.AbortRequested) {
        stopped = true;
        break;
      }
      continue;
    }
    const bool ok = PrepareBackup(app, state);
    if (ok) {
      // The destination folder may have been created just now.
      std::wstring holder;
      lock.TakeFileIfMissing(app.IndexPath(), holder);
    } else if (!app.AbortRequested && !state.doneToday) {
      ++state.pagesRefused;
    }
    if (ok && !app.AbortRequested) {
      StartPageProgress(app);
      BackupPage(app, state, p, start);
    }
    state.newBook.Close();
    state.prevBook.Close();
    ReleaseReserve(state);
    // A destination that went away takes no log and no memo.
    if (!state.errorLog.empty() && !state.destinationLost) WriteErrorLog(app, state);
    if (ok && !state.destinationLost) WriteMemo(app, state, memo);
    if (Stopped(app)) {
      stopped = true;
      break;
    }
  }
  if (!stopped && app.AutoMode) app.view.CloseWindow();
}

int AutoRunExitCode(const RunOutcome& o) {
  if (o.fileSetUnusable) return kExitFileSetUnusable;
  if (o.failed) return kExitStoppedByError;
  if (o.aborted) return kExitAborted;
  if (o.errorLines > 0 || o.pagesRefused > 0) return kExitWithErrors;
  return kExitDone;
}

int CountErrorLines(const std::vector<std::wstring>& errorList) {
  static const std::wstring kHeaderEnd = L"} ページ.";
  int n = 0;
  for (const auto& line : errorList) {
    const bool header = line.size() > kHeaderEnd.size() && line.front() == L'{' &&
                        line.compare(line.size() - kHeaderEnd.size(), kHeaderEnd.size(), kHeaderEnd) == 0;
    if (!header) ++n;
  }
  return n;
}

bool AlreadySavedToday(App& app, int page) {
  if (!LastBackupIsToday(app, page)) return false;
  ReadPageFlags(app);
  if (!app.env.check[1]) return false;
  StatusMessage(app, L"本日分は保存済みです");
  LetMessagesRun(app, true);
  app.clock.Sleep(app.SleepMs);
  return true;
}

void BackupPage(App& app, BackupState& state, int page, const SYSTEMTIME& start) {
  TakeReserve(state);
  OpenWorkFolder(state);
  StatusMessage(app, L"バックアップ中...");
  LetMessagesRun(app, true);
  if (app.env.backdays == 1 && state.TodayRunIndex == -1) {
    state.PreviousGeneration.clear();
    state.prevBook.Reset(L"");
  }
  CopyFileKeepAttributes(app.FileSetFolder + app.CurrentPageName + Fdef::kPageExt,
                         state.NewGeneration + app.CurrentPageName + Fdef::kPageExt);
  for (int i = 0; i < app.RowCount(); ++i) {
    BackupRow(app, state, i);
    ShowFreeSpace(app);
    if (Stopped(app)) break;
  }
  app.view.SelectRow(-1);
  TryHeldFilesAgain(app, state);
  CloseWorkFolder(state);
  state.newBook.Close();
  state.prevBook.Close();
  if (!Stopped(app)) {
    ProgressFinish(app);
    LetMessagesRun(app, true);  // the full bar is seen before the next page
    WriteCount(app);
    RecordLastBackup(app, page, start);
  }
}

void BackupRow(App& app, BackupState& state, int index) {
  if (index < 0 || index >= app.RowCount()) return;
  const SourceRow row = app.rows[index];  // the list may be redrawn while messages run
  if (row.save.empty()) return;
  const std::wstring src = RowSourceFolder(row);
  app.view.SelectRow(index);
  LetMessagesRun(app);

  // A page file is only a text file: a folder that is no plain full path, or
  // an excluded entry that is no plain relative one, is left alone.
  if (!SafeSource(src)) {
    AddErrorLine(app, state, ERROR_BAD_PATHNAME, row.caption);
    return;
  }
  for (const auto& entry : UnpackList(row.excluded)) {
    if (!entry.empty() && !IsSafeRelativeFolder(entry)) {
      AddErrorLine(app, state, ERROR_BAD_PATHNAME, src + L"\\" + entry);
      return;
    }
  }
  if (PathKind(src) != 2) return;

  const std::wstring rel = MirrorName(src);
  const std::wstring mirror = state.NewGeneration + rel;
  const std::wstring previous =
      state.PreviousGeneration.empty() ? std::wstring() : state.PreviousGeneration + L"\\" + rel;
  // The mirror's parent folders are ours only when none of them is a link.
  for (size_t pos = rel.find(L'\\'); pos != std::wstring::npos; pos = rel.find(L'\\', pos + 1)) {
    if (IsLink(state.NewGeneration + rel.substr(0, pos))) {
      AddErrorLine(app, state, ERROR_BAD_PATHNAME, state.NewGeneration + rel.substr(0, pos));
      return;
    }
  }
  RowFilter filter;
  filter.save = row.save;
  filter.exclude = row.exclude;
  ExpandExcludedFolders(src, row.excluded, filter.excluded);
  BackupFolder(app, state, src, mirror, previous, filter, RowIncludesSubfolders(row));
}

// ------------------------------------------------------------------ the walk

void BackupFolder(App& app, BackupState& state, const std::wstring& src, const std::wstring& mirror,
                  const std::wstring& previous, const RowFilter& filter, bool subfolders,
                  const FolderFacts* facts) {
  LetMessagesRun(app);
  if (Stopped(app)) return;
  if ((facts ? IsSkippedAttributes(facts->srcAttributes) : IsSkippedFolder(src)) ||
      IsDestinationFolder(state, src))
    return;
  bool link;
  if (facts && facts->mirror) {
    link = (facts->mirror->attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  } else {
    if (!MakeFolder(app, state, mirror)) return;
    link = !facts && IsLink(mirror);  // a folder just made is no link
  }
  if (link) {
    // Writing through it would leave the generation.
    AddErrorLine(app, state, ERROR_BAD_PATHNAME, mirror);
    return;
  }
  app.view.SetSourceColumnTitle(L"<" + src + L">");

  std::vector<DirEntry> srcFiles, srcFolders, mirFiles, mirFolders;
  // A folder that cannot be listed tells nothing about its files: its mirror
  // stays as it is rather than being emptied.
  if (!ListFolder(src, srcFiles, srcFolders)) {
    const DWORD err = GetLastError();
    AddErrorLine(app, state, err ? err : ERROR_ACCESS_DENIED, src);
    return;
  }
  if (!ListFolder(mirror, mirFiles, mirFolders)) {
    const DWORD err = GetLastError();
    if (!DestinationLost(app, state)) AddErrorLine(app, state, err ? err : ERROR_ACCESS_DENIED, mirror);
    return;
  }
  const std::vector<std::wstring> names = SelectFiles(srcFiles, filter.save, filter.exclude);

  RemoveStaleFiles(app, state, src, mirror, previous, names, mirFiles);
  if (Stopped(app)) return;

  const NameIndex srcIndex = IndexOf(srcFiles), mirIndex = IndexOf(mirFiles);
  std::unordered_set<std::wstring> done;
  const std::wstring srcDir = src + L"\\", mirrorDir = mirror + L"\\";
  for (const auto& name : names) {
    const std::wstring key = CaseFreeKey(name);
    // A literal pattern may name a file the wildcards took already.
    if (!done.insert(key).second) continue;
    const DirEntry* srcEntry = Find(srcFiles, srcIndex, key);
    BackupFile(app, state, srcDir, mirrorDir, previous, name, srcEntry, Find(mirFiles, mirIndex, key));
    ProgressAdd(app, 1, srcEntry ? srcEntry->size : 0);
    LetMessagesRun(app);
    if (Stopped(app)) return;
  }
  // Only the folder lists are needed further down.
  ReleaseVector(srcFiles);
  ReleaseVector(mirFiles);

  if (subfolders)
    BackupSubfolders(app, state, src, mirror, previous, filter, srcFolders, mirFolders);
  else
    RemoveAllSubfolders(app, state, src, mirror, previous, mirFolders);
  RefreshFreeSpace(app, state);
}

void RemoveStaleFiles(App& app, BackupState& state, const std::wstring& src,
                      const std::wstring& mirror, const std::wstring& previous,
                      const std::vector<std::wstring>& names,
                      const std::vector<DirEntry>& mirrorFiles) {
  const RemoveMode mode = ModeFor(app, state, previous);
  if (mode == RemoveMode::Nothing) return;
  std::unordered_set<std::wstring> keep;
  keep.reserve(names.size());
  for (const auto& n : names) keep.insert(CaseFreeKey(n));
  bool previousReady = false;
  for (const auto& f : mirrorFiles) {
    if (keep.count(CaseFreeKey(f.name))) continue;
    if (mode == RemoveMode::Move) {
      if (!previousReady && !MakeFolder(app, state, previous)) {
        app.BackupFailed = true;
        return;
      }
      previousReady = true;
      // A failed move leaves the copy in the mirror; nothing is lost.
      MoveToPrevious(state, mirror + L"\\" + f.name, previous + L"\\" + f.name, false);
      StatusMessage(app, src + L"\\" + f.name);
    } else {
      ForgetDigest(state, mirror + L"\\" + f.name, false);
      DeleteFileForced(mirror + L"\\" + f.name);
      StatusMessage(app, mirror + L"\\" + f.name + L" :deleted.");
    }
    LetMessagesRun(app);
    if (Stopped(app)) return;
  }
}

void RemoveAllSubfolders(App& app, BackupState& state, const std::wstring& /*src*/,
                         const std::wstring& mirror, const std::wstring& previous,
                         const std::vector<DirEntry>& mirrorFolders) {
  const RemoveMode mode = ModeFor(app, state, previous);
  if (mode == RemoveMode::Nothing) return;
  bool previousReady = false;
  for (const auto& f : mirrorFolders) {
    const std::wstring from = mirror + L"\\" + f.name;
    if (mode == RemoveMode::Move) {
      if (!previousReady && !MakeFolder(app, state, previous)) {
        app.BackupFailed = true;
        return;
      }
      previousReady = true;
      MoveToPrevious(state, from, previous + L"\\" + f.name, true);
      StatusMessage(app, from);
    } else {
      ForgetDigest(state, from, true);
      DeleteFolderTree(app, from);
      StatusMessage(app, from + L" :deleted.");
    }
    LetMessagesRun(app);
    if (Stopped(app)) return;
  }
}

void BackupSubfolders(App& app, BackupState& state, const std::wstring& src,
                      const std::wstring& mirror, const std::wstring& previous,
                      const RowFilter& filter, const std::vector<DirEntry>& srcFolders,
                      const std::vector<DirEntry>& mirrorFolders) {
  LetMessagesRun(app);
  if (Stopped(app)) return;
  std::unordered_set<std::wstring> visited;
  const NameIndex mirrorIndex = IndexOf(mirrorFolders);
  for (const auto& f : srcFolders) {
    const std::wstring srcSub = src + L"\\" + f.name;
    if (IsExcludedFolder(filter.excluded, srcSub)) continue;
    const std::wstring prevSub =
        state.PreviousGeneration.empty() ? std::wstring() : previous + L"\\" + f.name;
    FolderFacts facts;
    facts.srcAttributes = f.attributes;
    facts.mirror = Find(mirrorFolders, mirrorIndex, CaseFreeKey(f.name));
    BackupFolder(app, state, srcSub, mirror + L"\\" + f.name, prevSub, filter, true, &facts);
    visited.insert(CaseFreeKey(f.name));
    if (Stopped(app)) return;
  }
  bool previousReady = false;
  for (const auto& f : mirrorFolders) {
    if (visited.count(CaseFreeKey(f.name))) continue;
    LetMessagesRun(app);
    if (Stopped(app)) return;
    const std::wstring from = mirror + L"\\" + f.name;
    if (state.PreviousGeneration.empty()) {
      ForgetDigest(state, from, true);
      DeleteFolderTree(app, from);
      StatusMessage(app, L"<" + from + L"> 削除.");
    } else {
      if (!previousReady && !MakeFolder(app, state, previous)) {
        if (state.destinationLost) return;
        continue;
      }
      previousReady = true;
      const std::wstring to = previous + L"\\" + f.name;
      MoveToPrevious(state, from, to, true);
      StatusMessage(app, L"<" + from + L"> → <" + to + L">");
    }
  }
}

bool SameFileTime(const FILETIME& a, const FILETIME& b) {
  // Less than two seconds apart, in either direction. Windows' FAT driver
  // rounds a copy's time up to the next even second, exFAT to 10 ms and some
  // network disks to a whole second: a rule of fixed two-second steps would
  // call such a copy changed on every run. Two times in the same step of the
  // local DOS form are always less than two seconds apart.
  constexpr std::uint64_t kTwoSeconds = 20000000;  // in 100 ns
  const std::uint64_t ua = (static_cast<std::uint64_t>(a.dwHighDateTime) << 32) | a.dwLowDateTime;
  const std::uint64_t ub = (static_cast<std::uint64_t>(b.dwHighDateTime) << 32) | b.dwLowDateTime;
  return (ua > ub ? ua - ub : ub - ua) < kTwoSeconds;
}

void BackupFile(App& app, BackupState& state, const std::wstring& srcDir,
                const std::wstring& mirrorDir, const std::wstring& previous,
                const std::wstring& name, const DirEntry* srcEntry, const DirEntry* mirrorEntry) {
  const std::wstring s = srcDir + name;
  const std::wstring m = mirrorDir + name;
  if (IsSystemFile(state.systemFiles, srcDir, name)) {
    AddErrorLine(app, state, ERROR_SHARING_VIOLATION, s);
    return;
  }
  if (srcEntry && mirrorEntry && srcEntry->size == mirrorEntry->size &&
      SameFileTime(srcEntry->lastWrite, mirrorEntry->lastWrite))
    return;
  StatusMessage(app, s);
  LetMessagesRun(app);
  if (!previous.empty() && mirrorEntry) {
    if (!MakeFolder(app, state, previous)) {
      app.BackupFailed = true;
      return;
    }
    // The old copy must be safe in the previous generation before anything
    // overwrites it; when it cannot move, it stays and the file waits.
    if (!MoveToPrevious(state, m, previous + L"\\" + name, false)) {
      const DWORD err = GetLastError();
      if (!DestinationLost(app, state)) AddErrorLine(app, state, err ? err : ERROR_GEN_FAILURE, m);
      return;
    }
  } else {
    ForgetDigest(state, m, false);  // whatever is there now is replaced
  }
  // The listings tell the attributes of both sides; an old copy moved away
  // leaves no target.
  CopyHints hints;
  hints.tempFolder = state.workFolder;
  if (srcEntry) hints.sourceAttributes = srcEntry->attributes;
  hints.targetKnown = true;
  if (mirrorEntry && previous.empty()) hints.targetAttributes = mirrorEntry->attributes;
  CopiedFile copied;
  const DWORD r = CopyOneFile(app, s, m, srcEntry ? srcEntry->size : 0, &hints, &copied);
  if (r == 0) {
    if (copied.known) {
      DigestEntry e;
      e.path = BelowGeneration(state.NewGeneration, m);
      e.size = copied.size;
      e.lastWrite = copied.lastWrite;
      e.digest = copied.digest;
      e.read = UtcFileTime(app.clock.Now());
      state.newBook.Add(e);
    }
    return;
  }
  if (DestinationLost(app, state)) return;
  if (r == ERROR_SHARING_VIOLATION || r == ERROR_LOCK_VIOLATION) {
    if (!state.secondTry) {
      // Another program holds it (a mail program's data file): a second
      // chance at the end of the page before it becomes an error line.
      state.lastHeldTick = app.clock.TickMs();
      state.heldFiles.push_back({srcDir, mirrorDir, previous, name});
      return;
    }
    const std::wstring holder = ProgramsHoldingFile(s);
    if (!holder.empty()) return AddErrorLine(app, state, r, s, L" (使用中: " + holder + L")");
  }
  AddErrorLine(app, state, r, s);
  if (r == ERROR_DISK_FULL || r == ERROR_HANDLE_DISK_FULL) {
    ShowError(app, L"バックアップ先に十分な空き領域がありません.\r\nバックアップを中止します.");
    app.BackupFailed = true;
  }
}

// ------------------------------------------------------------------ root files

void WriteMemo(App& app, BackupState& state, const std::wstring& memo) {
  std::wstring line = memo;
  if (app.BackupFailed) line = L"エラー: " + line;
  if (app.AbortRequested) line = L"中断: " + line;
  if (line.empty() || state.NewGeneration.empty()) return;
  const std::wstring path = state.NewGeneration + Fdef::kMemoFile;
  const DWORD err = WriteUtf16File(path, {line});
  if (err != 0) ErrorListAdd(app, ErrorLine(err, path));
}

void WriteErrorLog(App& app, BackupState& state) {
  if (state.errorLog.empty() || state.NewGeneration.empty()) return;
  const std::wstring path = state.NewGeneration + Fdef::kErrorLog;
  const DWORD err = WriteAnsiFile(path, state.errorLog);
  if (err != 0) ErrorListAdd(app, ErrorLine(err, path));
}

}  // namespace ruzer
