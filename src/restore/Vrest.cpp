#include "restore/Vrest.h"

#include "base/progress.h"
#include "base/services.h"
#include "base/text.h"
#include "engine/Sbakini.h"
#include "engine/Sdskio.h"

namespace ruzer {

namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000;
constexpr std::uint64_t kSeconds1601To1970 = 11644473600ull;
constexpr int kNameColumnWidth = 100;
constexpr int kNarrowWidth = 70, kWideWidth = 140;
constexpr int kInitialRows = 6;  // the header and five file rows

std::uint64_t Ticks(const FILETIME& ft) {
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

CellTime FromLocalTicks(std::uint64_t ticks) {
  const std::uint64_t secs = ticks / kTicksPerSecond;
  if (secs < kSeconds1601To1970) return kNoTime;
  const std::uint64_t since1970 = secs - kSeconds1601To1970;
  if (since1970 >= kFailedCell - 1) return kNoTime;
  return static_cast<CellTime>(since1970 + 1);
}

struct Separators {
  std::wstring date = L"/", time = L":";
  Separators() {
    wchar_t buf[8];
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDATE, buf, 8) > 1) date = buf;
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIME, buf, 8) > 1) time = buf;
  }
};

// Every folder from the generation down to `rel` is a plain folder of the
// destination: a link or junction there would lead out of it.
bool PlainFolderChain(const std::wstring& base, const std::wstring& rel) {
  size_t pos = 0;
  while (true) {
    const size_t slash = rel.find(L'\\', pos);
    const std::wstring path = base + rel.substr(0, slash);
    DirEntry e;
    if (!LookupEntry(path, e)) return false;
    if (!(e.attributes & FILE_ATTRIBUTE_DIRECTORY) || (e.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    if (slash == std::wstring::npos) return true;
    pos = slash + 1;
  }
}

void ShowText(App& app, MsgKind kind, const std::wstring& text) { ShowMessage(app.user, kind, text); }

}  // namespace

// ---------------------------------------------------------------- cell times

std::int64_t LocalBiasTicks() {
  FILETIME utc, local;
  GetSystemTimeAsFileTime(&utc);
  if (!FileTimeToLocalFileTime(&utc, &local)) return 0;
  return static_cast<std::int64_t>(Ticks(local)) - static_cast<std::int64_t>(Ticks(utc));
}

CellTime CellTimeOfFile(const FILETIME& utc, std::int64_t bias) {
  const std::int64_t local = static_cast<std::int64_t>(Ticks(utc)) + bias;
  return local < 0 ? kNoTime : FromLocalTicks(static_cast<std::uint64_t>(local));
}

CellTime CellTimeOfFile(const FILETIME& utc) {
  FILETIME local;
  if (!FileTimeToLocalFileTime(&utc, &local)) return kNoTime;
  return FromLocalTicks(Ticks(local));
}

CellTime CellTimeOfListing(const FILETIME& utc) {
  FILETIME local, packed;
  WORD date, time;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time) ||
      !DosDateTimeToFileTime(date, time, &packed))
    return kNoTime;
  return FromLocalTicks(Ticks(packed));
}

CellTime CellTimeOfLocal(const SYSTEMTIME& local) {
  FILETIME ft;
  if (!SystemTimeToFileTime(&local, &ft)) return kNoTime;
  return FromLocalTicks(Ticks(ft));
}

std::wstring FormatCellTime(CellTime t) {
  if (t == kNoTime) return std::wstring();
  if (t == kFailedCell) return L"×";
  static const Separators sep;
  const std::uint64_t ticks = (static_cast<std::uint64_t>(t - 1) + kSeconds1601To1970) * kTicksPerSecond;
  FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&ft, &st)) return std::wstring();
  wchar_t buf[64];
  wsprintfW(buf, L"%02d%s%02d%s%02d %02d%s%02d%s%02d", st.wYear % 100, sep.date.c_str(), st.wMonth,
            sep.date.c_str(), st.wDay, st.wHour, sep.time.c_str(), st.wMinute, sep.time.c_str(), st.wSecond);
  return buf;
}

// ---------------------------------------------------------------- generations

std::wstring GenerationOfLine(const std::wstring& line) {
  if (line.size() < 13) return std::wstring();
  return line.substr(0, 2) + line.substr(4, 2) + line.substr(8, 2) + line.substr(12, 1);
}

std::vector<std::wstring> SearchedGenerations(const std::vector<std::wstring>& lines, int selected) {
  std::vector<std::wstring> out;
  const int g = static_cast<int>(lines.size());
  if (selected < 0) selected = 0;
  for (int i = g - 1; i >= selected; --i) out.push_back(GenerationOfLine(lines[i]));
  return out;
}

std::wstring NormalizedSearchFolder(const std::wstring& text) {
  const bool drive = text.size() >= 3 && iswalpha(text[0]) && text[1] == L':' && (text[2] == L'\\' || text[2] == L'/');
  const bool unc = text.size() > 2 && text[0] == L'\\' && text[1] == L'\\' && text[2] != L'?' && text[2] != L'.';
  if (!drive && !unc) return std::wstring();
  DWORD n = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
  if (n == 0) return std::wstring();
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(text.c_str(), n, full.data(), nullptr);
  full.resize(n);
  if (!IsSafeSourcePath(full)) return std::wstring();
  full = WithoutTrailingBackslash(full);
  if (full.size() == 3 && full[1] == L':') full.pop_back();  // "D:\" -> "D:"
  return full;
}

std::vector<std::wstring> PlacesInGeneration(const std::wstring& folder) {
  std::vector<std::wstring> places{MirrorName(folder)};
  // Below a drive root ("D:\A\B"): a row for "D:\" keeps it as "D\A\B".
  if (folder.size() > 3 && folder[1] == L':' && folder[2] == L'\\') {
    std::wstring rootPlace = folder.substr(0, 1) + L"\\" + folder.substr(3);
    if (rootPlace != places[0]) places.push_back(rootPlace);
  }
  return places;
}

// ---------------------------------------------------------------- the grid

const std::wstring& RestoreGrid::Key(std::wstring_view name) const {
  // One buffer for every look-up: a search asks for hundreds of thousands of keys.
  key_.assign(name);
  if (!key_.empty())
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, name.data(), static_cast<int>(name.size()), key_.data(),
                 static_cast<int>(key_.size()));
  return key_;
}

void RestoreGrid::Reset(const std::vector<std::wstring>& generations) {
  generations_ = generations;
  columns_ = static_cast<int>(generations.size()) + 2;
  names_.clear();
  index_.clear();
  cells_.clear();
  places_.clear();
  // Give back the memory of a large earlier search.
  names_.shrink_to_fit();
  cells_.shrink_to_fit();
  places_.shrink_to_fit();
  if (rowCount_ < kInitialRows) rowCount_ = kInitialRows;
}

int RestoreGrid::FindName(std::wstring_view name) const {
  auto it = index_.find(Key(name));
  return it == index_.end() ? -1 : it->second;
}

int RestoreGrid::AddName(std::wstring_view name) {
  const std::wstring& key = Key(name);
  auto found = index_.find(key);
  if (found != index_.end()) return found->second;
  auto it = index_.emplace(key, static_cast<int>(names_.size()) + 1).first;
  names_.emplace_back(name);
  cells_.resize(cells_.size() + (columns_ - 1), kNoTime);
  places_.resize(places_.size() + (columns_ - 1), 0);
  if (rowCount_ < NameCount() + 1) rowCount_ = NameCount() + 1;
  return it->second;
}

CellTime RestoreGrid::Cell(int row, int column) const {
  if (row < 1 || row > NameCount() || column < 1 || column >= columns_) return kNoTime;
  return cells_[static_cast<size_t>(row - 1) * (columns_ - 1) + (column - 1)];
}

void RestoreGrid::SetCell(int row, int column, CellTime t, std::uint8_t place) {
  if (row < 1 || row > NameCount() || column < 1 || column >= columns_) return;
  const size_t i = static_cast<size_t>(row - 1) * (columns_ - 1) + (column - 1);
  cells_[i] = t;
  places_[i] = place;
}

std::uint8_t RestoreGrid::Place(int row, int column) const {
  if (row < 1 || row > NameCount() || column < 1 || column >= columns_) return 0;
  return places_[static_cast<size_t>(row - 1) * (columns_ - 1) + (column - 1)];
}

void RestoreGrid::CellText(int row, int column, std::wstring& out) {
  out.clear();
  if (row == 0) {
    if (column == 0)
      out = L"ファイル名";
    else if (column == 1)
      out = L"現在";
    else if (column - 2 < static_cast<int>(generations_.size()))
      out = generations_[column - 2];
    return;
  }
  if (row > NameCount()) return;
  if (column == 0) {
    out = Name(row);
    return;
  }
  out = FormatCellTime(Cell(row, column));
}

std::size_t RestoreGrid::MemoryBytes() const {
  std::size_t bytes = cells_.capacity() * sizeof(CellTime) + places_.capacity();
  for (const auto& n : names_) bytes += sizeof n + (n.capacity() + 1) * sizeof(wchar_t);
  // The index holds each name once more, plus a node per entry.
  for (const auto& [k, v] : index_)
    bytes += sizeof(k) + sizeof(v) + 2 * sizeof(void*) + (k.capacity() + 1) * sizeof(wchar_t);
  bytes += index_.bucket_count() * sizeof(void*);
  return bytes;
}

// ---------------------------------------------------------------- the dialog

void OpenRestore(App& app, RestState& st, IRestView& view, const RestoreRequest& request) {
  st.base = DestinationOf(app.env);
  if (st.base.empty() || st.base.back() != L'\\') st.base += L'\\';
  st.folder = NormalizedSearchFolder(request.folder);
  if (st.folder.empty()) st.folder = WithoutTrailingBackslash(request.folder);
  st.places = PlacesInGeneration(st.folder);
  st.closeWhenDone = false;
  st.grid.Reset(SearchedGenerations(request.lines, request.selected));
  view.SetColumnWidth(0, kNameColumnWidth);
  view.SetDefaultColumnWidth(st.timeDisplay ? kWideWidth : kNarrowWidth);
  view.GridReloaded();
  SearchVersions(app, st, view);
}

void SearchVersions(App& app, RestState& st, IRestView& view) {
  view.SetRestoreEnabled(false);
  app.AbortRequested = false;
  st.searching = true;
  RestoreGrid& grid = st.grid;

  std::vector<DirEntry> files, folders;
  if (ListFolder(st.folder, files, folders)) {
    for (const auto& f : files) {
      const int row = grid.AddName(f.name);
      grid.SetCell(row, 1, CellTimeOfListing(f.lastWrite));
    }
  }
  view.GridReloaded();
  LetMessagesRun(app, true);

  bool aborted = app.AbortRequested;
  const std::int64_t bias = LocalBiasTicks();
  const int generations = static_cast<int>(grid.generations().size());
  // The generation columns are known before they are read.
  ProgressStart(app, static_cast<std::uint64_t>(generations), 0, L"世代");
  for (int g = 0; g < generations && !aborted; ++g) {
    if (g > 0) {
      ProgressAdd(app, 1, 0);
      view.SetStatus(app.progress.shown.text);
    }
    const int column = g + 2;
    const std::wstring& gen = grid.generations()[g];
    for (size_t p = 0; p < st.places.size() && !aborted; ++p) {
      const std::wstring rel = gen + L"\\" + st.places[p];
      if (!PlainFolderChain(st.base, rel)) continue;
      int added = 0;
      // Entry by entry: a generation may hold every name of a large folder.
      ForEachListed(st.base + rel, [&](const WIN32_FIND_DATAW& f) {
        // A link in a generation is never followed: it could lead anywhere.
        if (!(f.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
          const int before = grid.NameCount();
          const int row = grid.AddName(f.cFileName);
          if (grid.NameCount() != before && ++added % 256 == 0) view.GridReloaded();
          // The first place holding the name wins.
          if (grid.Cell(row, column) == kNoTime)
            grid.SetCell(row, column, CellTimeOfFile(f.ftLastWriteTime, bias), static_cast<std::uint8_t>(p));
        }
        LetMessagesRun(app);
        aborted = app.AbortRequested;
        return !aborted;
      });
    }
    view.GridReloaded();
  }
  view.GridReloaded();
  ProgressEnd(app);
  view.SetStatus(aborted ? L"検索中断．" : L"検索完了．");
  view.SetRestoreEnabled(true);
  st.searching = false;
}

std::wstring CellSource(const RestState& st, int row, int column) {
  const auto& gens = st.grid.generations();
  if (column < 2 || column - 2 >= static_cast<int>(gens.size()) || row < 1 || row > st.grid.NameCount())
    return std::wstring();
  const std::uint8_t place = st.grid.Place(row, column);
  const std::wstring& rel = place < st.places.size() ? st.places[place] : st.places.front();
  return st.base + gens[column - 2] + L"\\" + rel + L"\\" + st.grid.Name(row);
}

bool RestoreOneFile(App& app, RestState& st, int row, int column) {
  if (PathKind(st.folder) == 0 && !CreateFolderReported(app, st.folder)) return false;
  const std::wstring name = st.grid.Name(row);
  const std::wstring source = CellSource(st, row, column);
  const std::wstring target = st.folder + L"\\" + name;
  const std::uint8_t place = st.grid.Place(row, column);
  const std::wstring rel = st.grid.generations()[column - 2] + L"\\" +
                           (place < st.places.size() ? st.places[place] : st.places.front());

  DWORD e;
  DirEntry src;
  if (!IsValidFileName(name)) {
    // Written as it is, the name would land on another file or a device.
    e = ERROR_INVALID_NAME;
  } else if (!PlainFolderChain(st.base, rel)) {
    e = ERROR_CANT_ACCESS_FILE;
  } else if (LookupEntry(source, src) &&
             (src.attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
    e = ERROR_CANT_ACCESS_FILE;
  } else {
    e = CopyFileKeepAttributes(source, target);
  }
  if (e == 0) return true;
  ShowRestoreFailure(app, source, target, e);
  return false;
}

void ShowRestoreFailure(App& app, const std::wstring& source, const std::wstring& target, DWORD e) {
  std::wstring text = L"\"" + source + L"\" → \"" + target + L"\" コピー失敗 (" + std::to_wstring(e) + L")\r\n";
  if (e == ERROR_SHARING_VIOLATION) {
    text += L"\"" + source + L"\" ファイルはシステムの作業ファイルの可能性があります.\r\n復元できません．";
    ShowText(app, MsgKind::Warning, text);
  } else if (e == ERROR_DISK_FULL) {
    ShowText(app, MsgKind::Error,
             L"ディスクの空き容量が不足です．\r\nディスクの容量を確保して再度「復元」を実行してください.");
  } else {
    ShowText(app, MsgKind::Error, text);
  }
}

void RestoreSelection(App& app, RestState& st, IRestView& view) {
  app.AbortRequested = false;
  view.SetRestoreEnabled(false);
  view.SetStatus(L"");
  st.restoring = true;
  int count = 0;
  bool aborted = false;
  const GridRange r = view.Selection();
  if (r.left <= 1) {
    ShowText(app, MsgKind::Warning, L"1～2列目は選択できません.");
  } else {
    // The cells to copy back are known first: the bar counts them.
    std::uint64_t cells = 0;
    for (int row = r.top; row <= r.bottom; ++row)
      for (int column = r.left; column <= r.right; ++column) cells += st.grid.Cell(row, column) != kNoTime;
    ProgressStart(app, cells, 0);
    for (int row = r.top; row <= r.bottom && !aborted; ++row) {
      for (int column = r.left; column <= r.right; ++column) {
        const CellTime t = st.grid.Cell(row, column);
        if (t == kNoTime) continue;
        ++count;
        ProgressAdd(app, 1, 0);
        const bool ok = RestoreOneFile(app, st, row, column);
        st.grid.SetCell(row, 1, ok ? t : kFailedCell);
        view.CellsChanged();
        LetMessagesRun(app);
        if (app.AbortRequested) {
          aborted = true;
          break;
        }
      }
    }
    ProgressEnd(app);
    if (aborted)
      ShowText(app, MsgKind::Information, L"復元は中断されました.");
    else
      view.SetStatus(count == 0 ? L"復元するデータがありません." : L"復元完了.");
  }
  view.SetRestoreEnabled(true);
  st.restoring = false;
}

void TimeDisplayChanged(RestState& st, IRestView& view, bool checked) {
  st.timeDisplay = checked;
  view.SetDefaultColumnWidth(checked ? kWideWidth : kNarrowWidth);
}

bool ExitPressed(App& app, RestState& st, IRestView& view) {
  if (app.AbortRequested) view.SetStatus(L"検索を中断しました.");
  app.AbortRequested = true;
  if (st.searching || st.restoring) {
    st.closeWhenDone = true;
    return false;
  }
  return true;
}

void RestoreClosed(App& app, RestState& st) {
  app.AbortRequested = false;
  st.closeWhenDone = false;
}

}  // namespace ruzer
