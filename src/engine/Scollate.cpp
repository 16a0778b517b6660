#include "engine/Scollate.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "base/services.h"
#include "base/textfile.h"
#include "engine/Sbakini.h"
#include "engine/Sbakup.h"
#include "engine/Sdigest.h"
#include "engine/Sdskio.h"
#include "engine/Select.h"
#include "engine/Slock.h"

namespace ruzer {

namespace {

std::wstring Grouped(std::uint64_t n) {
  std::wstring digits = std::to_wstring(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += L',';
    out += digits[i];
  }
  return out;
}

// A source row's mirror below a generation and its source folder.
struct RowPlace {
  std::wstring mirrorKey;  // folded, with a trailing backslash
  std::wstring source;     // without a trailing backslash
};

class Collation {
 public:
  Collation(App& app, CollateResult& result) : app_(app), r_(result) {}

  void Run(const std::wstring& dest);

 private:
  void Generation(const std::wstring& folder, const std::wstring& name, bool newest);
  void Walk(const std::wstring& folder, const std::wstring& rel, bool root);
  void Copy(const std::wstring& full, const std::wstring& rel, const DirEntry& file);
  void AgainstSource(const std::wstring& full, const std::wstring& rel, const DirEntry& file,
                     std::uint64_t digest);
  void Finding(int& counter, const std::wstring& line);
  bool Stopped() const { return app_.AbortRequested; }

  App& app_;
  CollateResult& r_;
  std::vector<RowPlace> rows_;
  std::vector<std::wstring> log_;
  // The generation under way.
  DigestBook book_;
  std::unordered_map<std::wstring, DigestEntry> entries_;
  std::unordered_set<std::wstring> seen_;
  bool newest_ = false;
  int firstRead_ = 0;
};

void Collation::Finding(int& counter, const std::wstring& line) {
  ++counter;
  log_.push_back(line);
  ErrorListAdd(app_, line);
}

void Collation::Run(const std::wstring& dest) {
  for (const auto& row : app_.rows) {
    const std::wstring source = RowSourceFolder(row);
    if (row.save.empty() || source.empty()) continue;
    rows_.push_back({DigestKey(MirrorName(source)) + L"\\", source});
  }
  // The innermost row's folder is the file's source.
  std::sort(rows_.begin(), rows_.end(),
            [](const RowPlace& a, const RowPlace& b) { return a.mirrorKey.size() > b.mirrorKey.size(); });
  const std::vector<std::wstring> gens = ListGenerations(app_, dest);
  std::wstring base = dest;
  if (base.back() != L'\\') base += L'\\';
  for (auto it = gens.rbegin(); it != gens.rend() && !Stopped(); ++it) {
    const std::wstring name = it->substr(2);
    Generation(base + name, name, it == gens.rbegin());
  }
  if (gens.empty()) return;
  // Every generation's findings, in the newest one, where the next backup
  // moves it back with the memo of the run it belongs to.
  SYSTEMTIME now = app_.clock.Now();
  wchar_t stamp[32];
  swprintf(stamp, 32, L"%04u/%02u/%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
           now.wSecond);
  std::vector<std::wstring> lines{L"{" + app_.CurrentPageName + L"} " + stamp + L" " + CollateSummary(r_)};
  lines.insert(lines.end(), log_.begin(), log_.end());
  const std::wstring path = base + gens.back().substr(2) + L"\\" + kVerifyLogName;
  const DWORD err = WriteUtf16File(LongPath(path), lines);
  if (err != 0) ErrorListAdd(app_, ErrorLine(err, path));
}

void Collation::Generation(const std::wstring& folder, const std::wstring& name, bool newest) {
  newest_ = newest;
  firstRead_ = 0;
  book_.Reset(folder);
  entries_ = book_.Entries();
  seen_.clear();
  Walk(folder, L"", true);
  if (!Stopped()) {
    std::vector<std::wstring> gone;
    for (const auto& [key, e] : entries_)
      if (!seen_.count(key)) gone.push_back(e.path);
    std::sort(gone.begin(), gone.end());
    for (const auto& path : gone)
      Finding(r_.missing, folder + L"\\" + path + L" <照合:欠落> 保存したファイルがありません");
  }
  if (firstRead_ > 0) {
    const std::wstring line = L"<" + name + L"> ダイジェストの無かった " + Grouped(static_cast<std::uint64_t>(firstRead_)) +
                              L" 個のファイルは，今回読んだ内容を正しいものとして記録しました．";
    log_.push_back(line);
    ErrorListAdd(app_, line);
  }
  book_.Close();
}

void Collation::Walk(const std::wstring& folder, const std::wstring& rel, bool root) {
  std::vector<DirEntry> files, folders;
  if (!ListFolder(folder, files, folders)) {
    const DWORD err = GetLastError();
    Finding(r_.unreadable, ErrorLine(err ? err : ERROR_ACCESS_DENIED, folder));
    return;
  }
  // The generation's own files (page copy, memo, logs, digests) are no copies.
  if (!root) {
    for (const auto& f : files) {
      LetMessagesRun(app_);
      if (Stopped()) return;
      Copy(folder + L"\\" + f.name, rel + f.name, f);
    }
  }
  for (const auto& d : folders) {
    if (Stopped()) return;
    if (d.attributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;  // never followed
    if (root && d.name == kWorkFolderName) continue;
    Walk(folder + L"\\" + d.name, rel + d.name + L"\\", false);
  }
}

void Collation::Copy(const std::wstring& full, const std::wstring& rel, const DirEntry& file) {
  const std::wstring key = DigestKey(rel);
  seen_.insert(key);
  StatusMessage(app_, full);
  auto it = entries_.find(key);
  // An entry for another time belongs to a copy that is no longer there (the
  // copy was replaced from outside): this one is as if it had none.
  const bool entry = it != entries_.end() && SameFileTime(it->second.lastWrite, file.lastWrite);
  if (entry && it->second.size != file.size) {
    Finding(r_.damaged, full + L" <照合:破損> サイズが保存したときと違います");
    return;
  }
  CopiedFile read;
  DWORD err = 0;
  if (!DigestOfFile(app_, full, read, &err)) {
    if (Stopped()) return;
    Finding(r_.unreadable, ErrorLine(err, full));
    return;
  }
  ++r_.files;
  r_.bytes += read.size;
  DigestEntry now;
  now.path = rel;
  now.size = read.size;
  now.lastWrite = read.lastWrite;
  now.digest = read.digest;
  now.read = UtcFileTime(app_.clock.Now());
  if (entry && it->second.digest != read.digest) {
    // The entry stays as it was: the next verify says it again.
    Finding(r_.damaged, full + L" <照合:破損> 内容が保存したときと違います");
    return;
  }
  if (!entry) {
    ++firstRead_;
    ++r_.firstRead;
  }
  book_.Add(now);
  if (newest_) AgainstSource(full, rel, file, read.digest);
}

void Collation::AgainstSource(const std::wstring& full, const std::wstring& rel, const DirEntry& file,
                              std::uint64_t digest) {
  const std::wstring key = DigestKey(rel);
  for (const auto& row : rows_) {
    if (key.compare(0, row.mirrorKey.size(), row.mirrorKey) != 0) continue;
    const std::wstring source = row.source + L"\\" + rel.substr(row.mirrorKey.size());
    DirEntry src;
    if (!LookupEntry(source, src) || (src.attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    // Only a copy the backup takes for unchanged says anything here.
    if (src.size != file.size || !SameFileTime(src.lastWrite, file.lastWrite)) return;
    CopiedFile read;
    DWORD err = 0;
    if (!DigestOfFile(app_, source, read, &err)) {
      if (!Stopped()) Finding(r_.unreadable, ErrorLine(err, source));
      return;
    }
    r_.bytes += read.size;
    if (read.digest != digest)
      Finding(r_.differs, source + L" <照合:内容不一致> 日時とサイズは <" + full +
                              L"> と同じですが，内容が違います");
    return;
  }
}

}  // namespace

CollateResult CollatePage(App& app) {
  CollateResult r;
  ErrorListAdd(app, L"{" + app.CurrentPageName + L"} ページ.");
  if (app.env.tamdir.empty()) {
    ShowMessage(app.user, MsgKind::Warning, L"バックアップ先が設定されていません.\r\n「条件設定」で設定してください.");
    r.refused = true;
    return r;
  }
  if (!CheckDestinationVolume(app)) {
    r.refused = true;
    return r;
  }
  const std::wstring& dest = DestinationOf(app.env);
  if (PathKind(dest) != 2) {
    ErrorListAdd(app, L"<" + dest + L"> にバックアップがありません．");
    r.refused = true;
    return r;
  }
  // A backup must not move copies while they are read and their digests written.
  DestinationLock lock;
  if (!AcquireDestination(app, lock)) {
    r.refused = !app.AbortRequested;
    r.aborted = app.AbortRequested;
    return r;
  }
  Collation c(app, r);
  c.Run(dest);
  r.aborted = app.AbortRequested;
  return r;
}

std::wstring CollateSummary(const CollateResult& r) {
  std::wstring s = r.aborted ? L"照合中断．" : L"照合終了．";
  const std::uint64_t tenths = (r.bytes * 10 + kMegabyte - 1) / kMegabyte;
  s += Grouped(r.files) + L" 個のファイル (" + Grouped(tenths / 10) + L"." + std::to_wstring(tenths % 10) +
       L" MB) を読みました．";
  s += L"破損 " + Grouped(static_cast<std::uint64_t>(r.damaged)) + L"，欠落 " +
       Grouped(static_cast<std::uint64_t>(r.missing)) + L"，内容不一致 " +
       Grouped(static_cast<std::uint64_t>(r.differs));
  if (r.unreadable > 0) s += L"，読めないもの " + Grouped(static_cast<std::uint64_t>(r.unreadable));
  if (r.firstRead > 0) s += L"，初めて記録 " + Grouped(static_cast<std::uint64_t>(r.firstRead));
  return s + L"．";
}

void RunCollate(App& app) {
  app.AbortRequested = false;
  SetBusyMode(app, true);
  SetBottomPanel(app, 1);
  StatusMessage(app, L"照合準備中...");
  LetMessagesRun(app, true);
  const CollateResult r = CollatePage(app);
  SetBusyMode(app, false);
  if (r.refused)
    StatusMessage(app, L"照合できませんでした．");
  else
    StatusMessage(app, CollateSummary(r));
}

}  // namespace ruzer
